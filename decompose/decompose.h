// Decomposition of the net into its minimal functional subnets.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "decompose/subnet_map.h"
#include "formats/output.h"
#include "store/net_store.h"

namespace vantira {

// One complete subnet: its number, its transitions in the order they joined
// it, and its input (X), internal (Q) and output (Y) places, each in
// increasing place number.
using SubnetListing = std::function<void(int32_t k, std::span<const int32_t> members, std::span<const int32_t> xs,
                                         std::span<const int32_t> qs, std::span<const int32_t> ys)>;

// Fills `map` from the adjacency index. Subnet k grows from the
// lowest-numbered transition not yet placed; each pass adds the consumers of
// its input places, then the producers of its output places, then both of its
// internal places, place by place in increasing number. Hands each subnet to
// `listing`, if there is one, as it completes.
void Decompose(const NetStore& store, SubnetMap& map, const SubnetListing& listing);

// The same; with `full`, writes the subnets heading and each subnet's
// listing to `report`.
void Decompose(const NetStore& store, SubnetMap& map, Output& report, bool full);

}  // namespace vantira
