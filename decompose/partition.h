// The subnets without the order they grow in, for reports that do not list
// them.
#pragma once

#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// Fills `map` from where the reader put the arcs, without the adjacency
// index: the classes it joined (taken out of the store), or the arc lists. Growing a subnet adds every
// consumer of a place once one consumer is in, and every producer once one
// producer is in, and nothing else; so the subnets are the classes of
// "shares an input place or an output place". Numbered by their lowest
// transition, the classes get the numbers Decompose gives them, and the roles
// of the places follow as in Decompose.
void PartitionArcs(NetStore& store, ArcStore arcs, SubnetMap& map);

}  // namespace vantira
