// Reader of the net drawing format (.ndr).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/net_layout.h"
#include "store/name_index.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// Reads the input, block by block, into the store: places and transitions in
// record order, the net's name from the last net-name record, one arc per
// edge record (repeats kept). A clash of names or an edge that does not join
// an earlier place and an earlier transition ends the run with status 2; the
// wider grammar skips an edge between two earlier transitions (a priority),
// and the basic one notes it in `hint` before failing. With `values`, also
// the places' markings and the edges' weights (see net_values.h); one that
// is no count ends the run once the rest has read without fault. With
// `layout`, also notes every record's span for the subnet files.
void ReadNDR(TextBlocks& input, Grammar grammar, NetStore& store, ArcStore arcs, NameIndex& index, GrammarHint& hint,
             NetValues* values = nullptr, NetLayout* layout = nullptr);

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

// The transitions at the source and target of an edge between two earlier
// transitions, in that order; {0, 0} for any other edge.
struct PriorityEnds {
  int32_t source = 0;
  int32_t target = 0;
};
PriorityEnds ResolvePriority(const NameIndex& index, const NdrRecord& edge);

// Why an edge that joins no earlier place and transition (nor, in the wider
// grammar, two transitions) fails, on input line `line`.
std::string UnknownArcReason(const NameIndex& index, const NdrRecord& edge, Grammar grammar, uint64_t line);

}  // namespace vantira
