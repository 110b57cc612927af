// Reader of the net drawing format (.ndr).
#pragma once

#include <string_view>

#include "store/name_index.h"
#include "store/net_store.h"

namespace vantira {

// Reads a prepared input text into the store: places and transitions in
// record order, the net's name from the last net-name record, one arc per
// edge record (repeats kept). A clash of names or an edge that does not join
// an earlier place and an earlier transition ends the run with status 2.
void ReadNDR(std::string_view text, NetStore& store, NameIndex& index);

struct NdrRecord;

// What an edge record joins. The source is looked up among the places first,
// then among the transitions; `transition` is 0 when the names do not resolve
// to a place and a transition.
struct EdgeEnds {
  int32_t place = 0;
  int32_t transition = 0;
  bool from_place = false;
};
EdgeEnds ResolveEdge(const NameIndex& index, const NdrRecord& edge);

}  // namespace vantira
