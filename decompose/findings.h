// What the analyses a run asks for found, for the report's later sections.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/analysis.h"
#include "decompose/semiflow_report.h"

namespace vantira {

struct Findings {
  std::vector<SemiflowAnswer> semiflows;         // with -p, then with -t
  std::optional<Analysis> analysis;              // with -a or --bound
  std::vector<std::vector<int32_t>> bound_sets;  // --bound's sets of places
  uint64_t seed = 0;                             // the analysis walk's
};

}  // namespace vantira
