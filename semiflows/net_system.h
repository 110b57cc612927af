// The systems whose minimal semiflows are a net's P- and T-semiflows. The
// incidence C[p][t] is what firing t adds to p: the weights of its output
// arcs to p less those of its input arcs from p.
// docs/semiflows.md explains how the solver treats them.
#pragma once

#include "semiflows/semiflows.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// y.C = 0: variable p-1 is place p, equation t-1 is transition t. A C entry
// past 64 bits (repeated edges whose weights add up) ends the run with
// status 2.
SparseSystem PlaceSystem(const NetStore& store, const NetValues& values);

// C.x = 0: variable t-1 is transition t, equation p-1 is place p.
SparseSystem TransitionSystem(const NetStore& store, const NetValues& values);

}  // namespace vantira
