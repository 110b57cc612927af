// Decomposition of the net into its minimal functional subnets.
#pragma once

#include "decompose/subnet_map.h"
#include "formats/output.h"
#include "store/net_store.h"

namespace vantira {

// Fills `map` from the adjacency index. Subnet k grows from the
// lowest-numbered transition not yet placed; each pass adds the consumers of
// its input places, then the producers of its output places, then both of its
// internal places, place by place in increasing number. With `full`, writes
// the subnets heading and each subnet's listing to `report` as it completes.
void Decompose(const NetStore& store, SubnetMap& map, Output& report, bool full);

}  // namespace vantira
