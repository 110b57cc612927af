// Builds the adjacency index from the arc lists (see net_store.h for the ranges).
#pragma once

#include <cstdint>

#include "store/net_store.h"

namespace vantira {

// Fills tx, ty, at, px, py and ap. Input and output places of a transition keep
// arc-list order; producers and consumers of a place come in increasing
// transition number, one entry per arc. Returns fap. `at` and `ap` must have
// been taken by AllocateIndex.
int32_t CreateIOPT(NetStore& store);

// Keeps the first occurrence of every (transition, place) pair in each arc
// list and drops the repeats, preserving order.
void RemoveDuplicateArcs(NetStore& store);

}  // namespace vantira
