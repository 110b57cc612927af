// The semiflows in the report: a section of the text report for each kind
// asked for, and their keys in the JSON report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"
#include "base/subnet_map.h"
#include "semiflows/basis.h"
#include "semiflows/semiflows.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// The solver's answer for one kind, as the report shows it: P-semiflows
// weigh places (y.C = 0), T-semiflows count firings of transitions (C.x = 0).
struct SemiflowAnswer {
  bool places = true;
  SemiflowResult result;
  uint64_t limit = 0;  // the rows the solver could hold
  std::string memory_budget;  // the bytes it could hold, as written ("1G")
  std::string time_budget;    // the seconds it had, as written; empty for none
  // With --basis or after a stop: a basis of the flows (basis.h), or none,
  // and why, when there was not the memory or the time for it.
  bool with_basis = false;
  std::string basis_missing;
  std::vector<BasisVector> basis;
};

// Heading, then with `full` one line per semiflow, in the order of their
// lists of numbers compared lexicographically; then the summary line. When
// the solver stopped, one line that says where and why, in place of both.
// Then, with a basis, its dimension, with `full` one line per vector (by
// name, marked when a semiflow) and what its semiflows cover.
void WriteSemiflowSection(const NetStore& store, const NetValues& values, const SubnetMap& map,
                          const SemiflowAnswer& answer, bool full, Output& out);

// ",\n" and the kind's keys ("p_semiflows", "p_uncovered", or "t_...";
// when stopped "p_stopped_at", and "p_stop" unless at the row limit; with a
// basis "p_basis"), after the last key of the document and before its closing.
void WriteJsonSemiflows(const NetStore& store, const NetValues& values, const SubnetMap& map,
                        const SemiflowAnswer& answer, Output& out);

}  // namespace vantira
