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
struct SparseFiring {
  std::vector<int32_t> transitions;
  std::vector<double> counts;
};

struct LpAnswer {
  enum Status { kOptimal, kUnbounded, kFailed };
  Status status = kFailed;
  std::vector<int32_t> nodes;
  std::vector<double> values;
  SparseFiring firing;  // an optimum's firing counts
  double value = 0;     // an optimum's objective
  // The solve's simplex iterations (and one) times the problem's rows and
  // columns: a measure of its work that is the same on every run.
  std::size_t work = 0;
};

// max sum_{q in S} M(q) subject to M = M0 + C.s, s >= 0, and M(q) >= 0 for
// the places q of a region that holds S: the state equation relaxed to the
// region, over the transitions that change its places. Its dual weighting
// weighs only the region and is one of the whole net; its optimum firing
// (`firing`) solves the whole state equation when it keeps every other
// place nonnegative too. Places join the region between solves, and each
// solve starts from the basis the last one ended with.
class RegionLp {
 public:
  RegionLp(const TokenNet& net, std::span<const int32_t> objective);
  ~RegionLp();
  RegionLp(const RegionLp&) = delete;
  RegionLp& operator=(const RegionLp&) = delete;

  // Places not yet in the region join it (ignored when no transition
  // changes them).
  void Add(std::span<const int32_t> places);
  bool Holds(int32_t place) const;
  // The region's places that some transition changes, in the order they joined.
  std::span<const int32_t> Places() const;
  std::size_t Size() const;
  std::size_t Columns() const;

  // `exact` solves again in rational arithmetic from the basis found (slow;
  // to repair a certificate).
  LpAnswer Maximize(bool exact = false);

 private:
  struct Problem;
  std::unique_ptr<Problem> problem_;
};

// The state equation of a part of the net, max sum_{q in S} M(q) subject to
// M = M0 + C.s, M >= 0, s >= 0, over the part's places (sorted, each with a
// nonzero row of C) and the transitions that change them. The part must hold
// every place those transitions change: then its answers are the whole
// net's. Only the objective changes between solves, so the last basis stays
// primal feasible and each solve goes on from it with its factorization.
class StateEquation {
 public:
  StateEquation(const TokenNet& net, std::span<const int32_t> places);
  ~StateEquation();
  StateEquation(const StateEquation&) = delete;
  StateEquation& operator=(const StateEquation&) = delete;

  // `places` are the part's; `exact` solves again in rational arithmetic
  // from the basis found (slow; to repair a certificate). An optimum also
  // gives its firing counts and `value`. A solve that takes more than
  // `iterations` simplex iterations (0: no limit) fails.
  LpAnswer Maximize(std::span<const int32_t> places, bool exact = false, int iterations = 0);

 private:
  void SetObjective(std::span<const int32_t> places);
  // Every row's bound -M0(q), or moved below it by a small amount of its own.
  void SetRowBounds(bool perturbed);
  // When the last basis is still optimal for the objective set: its answer,
  // read without a simplex run.
  bool KeepsOptimum(std::span<const int32_t> places, LpAnswer& answer);

  struct Problem;
  const TokenNet& net_;
  std::unique_ptr<Problem> problem_;
};

// The rays and weightings of one piece of a part (pieces.h):
//   max sum_q g_q + sum_t v_t  subject to  (C.s)_q - g_q >= 0 for q in `places`,
//   s_t - v_t >= 0 for t in `exits`, s >= 0, 0 <= g, v <= 1,
// with C restricted to `places` and `transitions` (`exits` among them). As
// rays add up, an optimum gains (g_q = 1) on every place some ray gains on
// and fires (v_t = 1) every exit some ray fires; its dual z >= 0 has
// z.C_t <= 0 for every transition, z_q >= 1 on the other places and
// z.C_t <= -1 on the other exits. `counts` by transition, `weights` by place.
// Fails past `budget` work (LpAnswer::work's units).
struct PieceAnswer {
  bool solved = false;
  std::vector<double> counts;
  std::vector<double> weights;
  std::size_t work = 0;
};
PieceAnswer SolvePiece(const TokenNet& net, std::span<const int32_t> places, std::span<const int32_t> transitions,
                       std::span<const int32_t> exits, std::size_t budget);

// A weighting y >= 1 of `places` with y.C_t <= 0 for each of `transitions`
// (kOptimal; nodes are places), else a ray s >= 0 of the transitions with
// C.s >= 0 on the places and C.s != 0 (kUnbounded; nodes are transitions).
// The transitions' arcs must lead only to `places`.
LpAnswer StructuralBound(const TokenNet& net, std::span<const int32_t> places, std::span<const int32_t> transitions);

}  // namespace vantira
