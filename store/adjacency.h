// Builds the adjacency index from the arc lists (see net_store.h for the ranges).
#pragma once

#include <cstdint>

#include "store/net_store.h"

namespace vantira {

// Takes `at` and `ap` anew and fills them, tx, ty, px and py; returns the
// number of entries of each half. Input and output places of a transition
// keep arc-list order; producers and consumers of a place come in increasing
// transition number, one entry per arc.
int32_t CreateIOPT(NetStore& store);

// Keeps the first occurrence of every (transition, place) pair in each arc
// list and drops the repeats, preserving order.
void RemoveDuplicateArcs(NetStore& store);

}  // namespace vantira
