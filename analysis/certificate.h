// Exact certificates of the analysis, rebuilt from a solver's floating
// answer and checked in whole numbers, so that no bound rests on floating
// point. A weighting y >= 0 with y.C <= 0 bounds every place q it weighs:
// y.M <= y.M0 in every reachable marking M, hence M(q) <= y.M0 / y_q. A ray,
// firing counts s >= 0 with C.s >= 0, shows that the state equation bounds
// no place q with (C.s)_q > 0: M0 + k C.s solves it for every k.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "analysis/token_net.h"
#include "semiflows/integer.h"

namespace vantira {

// Nonzero entries in increasing node order: a weighting of places or a
// firing count of transitions.
struct SparseVector {
  std::vector<int32_t> nodes;
  std::vector<Integer> values;
};

// Whole numbers in the proportions of `values` (entry i for node nodes[i]):
// each value is taken as the simplest fraction within `tolerance` of it
// (relative, for values past 1), values below the tolerance as 0, and all
// are multiplied by their denominators' least common multiple. Empty when
// a value is negative beyond the tolerance or not finite.
std::optional<SparseVector> WholeNumbers(std::span<const int32_t> nodes, std::span<const double> values,
                                         double tolerance);

// floor(a / b) for a >= 0, b > 0.
Integer FloorDivide(const Integer& a, const Integer& b);

// Checks certificates against one net, reusing its room between checks.
class CertificateChecker {
 public:
  explicit CertificateChecker(const TokenNet& net);

  // Whether every weight is positive and y.C_t <= 0 for every transition t
  // that `counts` accepts (all when it is empty).
  bool IsWeighting(const SparseVector& y, const std::function<bool(int32_t)>& counts = {});

  // y.M0.
  Integer Weigh(const SparseVector& y) const;

  // The places q with (C.s)_q > 0, in place order, when every count is
  // positive and C.s >= 0; empty otherwise (also when C.s = 0).
  std::vector<int32_t> RayGains(const SparseVector& s);

 private:
  const TokenNet& net_;
  std::vector<int32_t> position_;  // of a place in the weighting checked, -1 for none
  std::vector<int32_t> stamp_;     // transitions (or places) already taken, by check
  std::vector<int32_t> count_of_;  // of a transition in the ray checked, -1 for none
  int32_t check_ = 0;
};

}  // namespace vantira
