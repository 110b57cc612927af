// The systems whose minimal semiflows are a net's P- and T-semiflows. The
// incidence C[p][t] is what firing t adds to p: the weights of its output
// arcs to p less those of its input arcs from p.
#pragma once

#include "base/subnet_map.h"
#include "semiflows/semiflows.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// y.C = 0: variable p-1 is place p, equation t-1 is transition t. Hints: an
// equation's subnet is its transition's; a place's subnets are the one it is
// internal to, or the one it feeds and the one that feeds it, 0 for none
// (a place without arcs has none). A C entry past 64 bits (repeated edges
// whose weights add up) ends the run with status 2.
SparseSystem PlaceSystem(const NetStore& store, const NetValues& values, const SubnetMap& map);

// C.x = 0: variable t-1 is transition t, equation p-1 is place p. Hints: a
// transition's subnet; a place's equation takes the subnet it is internal
// to, else the one it feeds, else the one that feeds it, 0 for none.
SparseSystem TransitionSystem(const NetStore& store, const NetValues& values, const SubnetMap& map);

}  // namespace vantira
