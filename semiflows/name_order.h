// The order of a net's places or transitions that the basis of flows is
// reduced in, so that the basis does not depend on the order of the input.
// docs/semiflows.md (A basis of the flows) says why.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "semiflows/semiflows.h"
#include "store/net_store.h"

namespace vantira {

// Whether name a comes before b: runs of digits compared as numbers (p2
// before p10), the rest byte by byte; names that compare equal so (p01,
// p1) by their bytes. A strict total order on distinct names.
bool NameBefore(std::string_view a, std::string_view b);

// The variables of the P-system (place p at p - 1) or of the T-system
// (transition t at t - 1) of `system`, those in more equations first (a hub
// first keeps it out of the other vectors of the basis, which stay
// sparse), then in the order of their names. Both keys are the net's, not
// the input's order.
std::vector<int32_t> BasisOrder(const NetStore& store, const SparseSystem& system, bool places);

// The same variables by name alone.
std::vector<int32_t> NameOrder(const NetStore& store, const SparseSystem& system, bool places);

}  // namespace vantira
