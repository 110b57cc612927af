// The report as one JSON document, for scripts.
#pragma once

#include <string_view>

#include "base/output.h"
#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// Decomposes the net from the adjacency index into `map` and writes, as the
// subnets complete, one JSON object: the net's name, `format_name`, its
// numbers of places and transitions, every subnet with its transitions in
// joining order and its input, internal and output places in place order,
// the graph of subnets (one entry per connected pair, by `from`, then `to`)
// and the places without arcs.
void WriteJsonReport(const NetStore& store, std::string_view format_name, SubnetMap& map, Output& out);

}  // namespace vantira
