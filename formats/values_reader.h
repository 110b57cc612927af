// The second reading of a net, for its semiflows: the arcs' weights and the
// places' initial markings, which the readers skip. It runs on the whole
// text after the reader, sees the lines and elements the reader saw, and
// finds its names again in `index` (line formats) or, for PNML, numbers the
// nodes in document order as the reader did, in an id table of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "formats/grammar.h"
#include "formats/recognize.h"
#include "store/name_index.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// A count of tokens: decimal digits, then K (10^3) or M (10^6) or nothing.
// Empty when the text is no such count or the count is past 2^63 - 1.
std::optional<int64_t> ParseCount(std::string_view text);

// Fills `values` (see net_values.h). A weight or marking that is no count,
// or too large, ends the run with status 2, and so does a PNML arc of a kind
// that changes a marking by more than a weight (reset, transfer).
void ReadValuesByFormat(Format format, Grammar grammar, std::string_view text, const NameIndex& index,
                        const NetStore& store, NetValues& values);

// The line formats' part, and PNML's.
void ReadNetValues(std::string_view text, Grammar grammar, const NameIndex& index, const NetStore& store,
                   NetValues& values);
void ReadNdrValues(std::string_view text, const NameIndex& index, const NetStore& store, NetValues& values);
void ReadPnmlValues(std::string_view text, const NetStore& store, NetValues& values);

// Keeps the first of the arcs that join the same place and transition in
// the same direction (the rule of net descriptions and PNML documents).
void KeepFirstArcs(NetValues& values);

}  // namespace vantira
