// A basis of the space of flows of A.x = 0 over the rationals (every
// solution, of any sign), in a form that depends on the space and on an
// order of the variables only: the reduced row echelon form of the kernel,
// each row scaled to integers of gcd 1. Polynomial, by sparse elimination,
// where the minimal semiflows may be exponentially many.
// docs/semiflows.md (A basis of the flows) explains the method.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "semiflows/integer.h"
#include "semiflows/semiflows.h"

namespace vantira {

// One vector of the basis: its nonzero weights, the variables in the order
// given (the first one is the vector's pivot, with a positive weight).
struct BasisVector {
  std::vector<int32_t> variables;
  std::vector<Integer> weights;
  bool semiflow = false;  // every weight positive
};

// The basis of {x : A.x = 0}, variables - rank(A) vectors, by their pivots
// in the order `order` (order[i] is the i-th variable; a permutation of
// 0 .. variables - 1). Vector k has weight 1 (before scaling) at its pivot,
// 0 at every other pivot, and nonzero weights only at variables after its
// pivot: the reduced echelon form, unique for the space and the order, so a
// renumbering of variables or equations that keeps `order` gives the same
// vectors. Exact: checked 64-bit arithmetic, Integer past it.
std::vector<BasisVector> FlowBasis(const SparseSystem& system, std::span<const int32_t> order);

// The reduced form has as many entries as the order makes it: a hub late in
// the order, say, spreads into every vector. This takes the form of fewer
// entries of the two orders, `first` when they tie; the answer depends only
// on the system and the orders. A computation that takes more than a few
// dozen passes over the system gives up for the other order (the second
// one, if both do, is finished as the deadline allows). Nothing when the
// deadline passes first (a dense system: the numbers grow with the rank).
std::optional<std::vector<BasisVector>> SparserFlowBasis(const SparseSystem& system, std::span<const int32_t> first,
                                                         std::span<const int32_t> second,
                                                         std::chrono::steady_clock::time_point deadline);

}  // namespace vantira
