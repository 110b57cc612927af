// The graph of subnets: which subnets pass tokens to which.
#pragma once

#include <cstdint>
#include <vector>

#include "base/output.h"
#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// A place that passes tokens from its producers' subnet (SY) to its
// consumers' subnet (SX).
struct Connection {
  int32_t from;
  int32_t to;
  int32_t place;
};

// Connecting places given in place order, ordered by `from`, then `to`, then
// place number; subnets are 1..count.
std::vector<Connection> OrderByFrom(const std::vector<Connection>& by_place, int32_t count);

// One line per subnet: the subnets it receives tokens from, then after the
// arrow those it passes tokens to, each with the number of connecting places
// when more than one, in increasing subnet number.
void WriteGraph(const NetStore& store, const SubnetMap& map, Output& out);

}  // namespace vantira
