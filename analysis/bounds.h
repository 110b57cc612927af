// Bounds of every place, and of sets of places, under the initial marking:
// the upper bound from the state equation, certified by an exact weighting
// (or shown absent by an exact ray), the lower bound from the random walk.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/certificate.h"
#include "analysis/token_net.h"
#include "analysis/walk.h"
#include "semiflows/integer.h"

namespace vantira {

struct Bound {
  // floor(y.M0 / min of y over the places), from weighting `certificate`;
  // empty when unbounded or when no certificate could be made.
  std::optional<Integer> upper;
  bool unbounded = false;  // ray `certificate` gains on a place bounded here
  int32_t certificate = -1;
  Integer lower;  // the most tokens the walk saw
  bool Exact() const { return upper && *upper == lower; }
};

struct Bounds {
  std::vector<Bound> places;  // 1..m, entry 0 unused
  std::vector<Bound> sets;
  std::vector<SparseVector> weightings;
  std::vector<SparseVector> rays;
  int32_t solves = 0;   // the simplex runs of single places and sets, one at most each
  int32_t covers = 0;   // those of the sums of a part's places, a few per part
  int32_t repairs = 0;  // the rational solves that repair a certificate
  // Every place bounded by 1: true; a place seen with 2 tokens: false.
  std::optional<bool> safe;
};

// `sets` are lists of distinct places. At most one solve per place and one
// per set; every upper bound is the floor of the state equation's optimum
// when each certificate checks.
Bounds ComputeBounds(const TokenNet& net, const std::vector<std::vector<int32_t>>& sets, const WalkRule& rule);

}  // namespace vantira
