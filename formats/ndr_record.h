// One line of a net drawing (.ndr) taken apart, without looking anything up:
// the reader and the subnet writer both start from this.
#pragma once

#include <cstdint>
#include <string_view>

#include "formats/tokens.h"

namespace vantira {

struct NdrRecord {
  enum class Kind { kSkip, kNetName, kPlace, kTransition, kEdge, kOther };

  Kind kind = Kind::kSkip;  // kSkip: a comment or blank line
  std::string_view name;    // net's name, node's name, or an edge's source
  uint32_t hash = 0;        // of `name`, for nodes and edges
  std::string_view target;  // an edge's target
  uint32_t target_hash = 0;
  std::string_view rest;    // what follows a net name on its line
};

// Takes a line apart: the key is the first non-blank character and the rest
// of its word already belongs to the record; a place or transition record
// skips two fields before its name; an edge skips at most two numeric fields
// (fields that start with a decimal digit) between its source and target.
void ParseNdrRecord(const Line& line, NdrRecord& out);

}  // namespace vantira
