// The report as one JSON document, for scripts.
#pragma once

#include <string_view>

#include "base/output.h"
#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// Opens the document: the net's name, `format_name`, its numbers of places
// and transitions, and the labels of its nodes when it has any.
void WriteJsonHead(const NetStore& store, std::string_view format_name, Output& out);

// The net as the full text report lists it: one object per transition, in
// transition order, with its input and output places in the index's order.
void WriteJsonArcs(const NetStore& store, Output& out);

// Every subnet of `map` with its transitions in joining order and its
// input, internal and output places in place order, the graph of subnets
// (one entry per connected pair, by `from`, then `to`) and the places
// without arcs.
void WriteJsonSubnets(const NetStore& store, const SubnetMap& map, Output& out);

// Closes the document, after the subnets' keys and any that follow them.
void WriteJsonClosing(Output& out);

}  // namespace vantira
