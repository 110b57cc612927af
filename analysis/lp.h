// The linear programs of the analysis, solved in floating point by GLPK;
// their answers are only candidates for certificates (certificate.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "analysis/token_net.h"

namespace vantira {

// What a solve gives: for an optimum the dual weighting z of the places
// (z = e_S + y, with the places' own entries), for an unbounded program a
// ray of firing counts; each as nodes and floating values.
struct LpAnswer {
  enum Status { kOptimal, kUnbounded, kFailed };
  Status status = kFailed;
  std::vector<int32_t> nodes;
  std::vector<double> values;
};

// max sum_{q in S} M(q) subject to M = M0 + C.s, M >= 0, s >= 0, over the
// places with a nonzero row of C and the transitions with a nonzero column.
// One problem for every objective: each solve starts from the basis the
// last one ended with.
class StateEquation {
 public:
  explicit StateEquation(const TokenNet& net);
  ~StateEquation();
  StateEquation(const StateEquation&) = delete;
  StateEquation& operator=(const StateEquation&) = delete;

  // `places` hold nonzero rows of C. `exact` solves again in rational
  // arithmetic from the current basis (slow; to repair a certificate).
  LpAnswer Maximize(std::span<const int32_t> places, bool exact = false);

 private:
  struct Problem;
  const TokenNet& net_;
  std::unique_ptr<Problem> problem_;
};

// A weighting y >= 1 of `places` with y.C_t <= 0 for each of `transitions`
// (kOptimal; nodes are places), else a ray s >= 0 of the transitions with
// C.s >= 0 on the places and C.s != 0 (kUnbounded; nodes are transitions).
// The transitions' arcs must lead only to `places`.
LpAnswer StructuralBound(const TokenNet& net, std::span<const int32_t> places, std::span<const int32_t> transitions);

}  // namespace vantira
