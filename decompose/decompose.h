// Decomposition of the net into its minimal functional subnets.
#pragma once

#include <cstdint>
#include <span>

#include "base/output.h"
#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// Takes the subnets while they grow, one after the other.
class SubnetSink {
 public:
  // Transitions that have just joined subnet k, in joining order: first its
  // seed, then what each pass adds.
  virtual void Joined(int32_t /*k*/, std::span<const int32_t> /*transitions*/) {}
  // Subnet k is complete: its transitions in joining order, and its input
  // (X), internal (Q) and output (Y) places, each in increasing place number.
  virtual void Completed(int32_t k, std::span<const int32_t> members, std::span<const int32_t> xs,
                         std::span<const int32_t> qs, std::span<const int32_t> ys) = 0;

 protected:
  ~SubnetSink() = default;
};

// Fills `map` from the adjacency index. Subnet k grows from the
// lowest-numbered transition not yet placed; each pass adds the consumers of
// its input places, then the producers of its output places, then both of its
// internal places, place by place in increasing number. Hands the subnets to
// `sink`, if there is one, as they grow.
void Decompose(const NetStore& store, SubnetMap& map, SubnetSink* sink);

// Decompose, writing the subnets heading and then each subnet's listing, as
// it completes, to `report`.
void ListSubnets(const NetStore& store, SubnetMap& map, Output& report);

}  // namespace vantira
