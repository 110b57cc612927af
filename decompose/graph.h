// The graph of subnets: which subnets pass tokens to which.
#pragma once

#include "decompose/subnet_map.h"
#include "formats/output.h"
#include "store/net_store.h"

namespace vantira {

// One line per subnet: the subnets it receives tokens from, then after the
// arrow those it passes tokens to, each with the number of connecting places
// when more than one, in increasing subnet number. A place connects its
// producers' subnet (SY) to its consumers' subnet (SX).
void WriteGraph(const NetStore& store, const SubnetMap& map, Output& out);

}  // namespace vantira
