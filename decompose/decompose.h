// Decomposition of the net into its minimal functional subnets.
#pragma once

#include <cstdint>

#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// Fills `map` from the adjacency index. Subnet k grows from the
// lowest-numbered transition not yet placed; each pass adds the consumers of
// its input places, then the producers of its output places, then both of its
// internal places, place by place in increasing number. The map keeps each
// subnet's transitions in that joining order, and its places.
void Decompose(const NetStore& store, SubnetMap& map);

}  // namespace vantira
