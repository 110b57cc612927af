// The "labels" of the JSON report: the names authors gave nodes.
#pragma once

#include "base/output.h"
#include "store/net_store.h"

namespace vantira {

// Writes "labels", an object from a node's name to its label, for every
// place, then every transition, whose last label is not its name; nothing
// when there is none. A name both a place and a labelled transition bear
// takes the transition's label, so that no name is a key twice.
void WriteJsonLabels(const NetStore& store, Output& out);

}  // namespace vantira
