// Reader of the net drawing format (.ndr).
#pragma once

#include <string_view>

#include "formats/tokens.h"
#include "store/name_index.h"
#include "store/net_store.h"

namespace vantira {

// Reads a prepared input text into the store: places and transitions in
// record order, the net's name from the last net-name record, one arc per
// edge record (repeats kept). A clash of names or an edge that does not join
// an earlier place and an earlier transition ends the run with status 2.
void ReadNDR(std::string_view text, NetStore& store, NameIndex& index);

// The names of an edge record, after its key: source, at most two numeric
// fields (fields that start with a decimal digit), target.
struct EdgeNames {
  std::string_view source;
  std::string_view target;
};
EdgeNames ReadEdgeNames(const Line& line, int32_t& cursor);

// The name of a place or transition record, after its key and two fields.
std::string_view ReadRecordName(const Line& line, int32_t& cursor);

}  // namespace vantira
