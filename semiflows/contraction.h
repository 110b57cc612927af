// The system made smaller before elimination without changing its minimal
// semiflows. An equation c1.x_a = c2.x_b (two variables of opposite signs)
// is a substitution x_a = c2'.y, x_b = c1'.y (c1', c2' the coefficients
// divided by their gcd): the two become one variable y, and the equation
// disappears. A variable is zero in every solution when it is alone in an
// equation, or when all the coefficients of one of its equations have one
// sign; it is dropped from the system. Both repeat until nothing changes, as
// dropping and merging make new cases. A cycle of two-variable equations
// merges its variables once; the equation that closes it is then one of the
// merged variable with the coefficient c1.w_a - c2.w_b: none when the ratios'
// product is 1 (the equation goes), else the merged variable is zero.
//
// Each variable of the smaller system stands for a set of the original ones,
// x_v = w_v.y with integer weights of gcd 1 over the set, so x is integer
// exactly when y is, the nonnegative solutions correspond one to one, and a
// support holds another exactly when their images do: minimal semiflows map
// to minimal semiflows, with gcd 1.
// docs/semiflows.md (the algorithm, Contraction) tells the whole of it;
// the rounds are in contractor.h, the entry and the expansion here.
#pragma once

#include <cstdint>
#include <vector>

#include "semiflows/integer.h"
#include "semiflows/semiflows.h"

namespace vantira {

struct Contraction {
  // The smaller system: its variables numbered by their lowest original
  // variable, its equations the original ones left, in their order.
  SparseSystem reduced;
  // The original variables of reduced variable y, ascending, are
  // member[member_start[y] .. member_start[y + 1]) and x_v = weight[k].y.
  std::vector<int64_t> member_start;
  std::vector<int32_t> member;
  std::vector<Integer> weight;
  int32_t merged = 0;  // equations gone as substitutions (or, closing a cycle, as identities)
  int32_t zeros = 0;   // original variables forced to zero
};

// Exact: the weights are Integer; when a coefficient of the smaller system
// would not fit 64 bits, only the merges of equal coefficients are made, and
// when even those overflow, nothing is.
Contraction Contract(const SparseSystem& system);

// A semiflow of the smaller system made one in the original variables
// (ascending, gcd 1), in place.
void Expand(const Contraction& contraction, Semiflow& flow);

}  // namespace vantira
