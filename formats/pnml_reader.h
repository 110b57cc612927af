// Reader of PNML documents holding one P/T net.
#pragma once

#include <string_view>

#include "formats/input_text.h"
#include "formats/net_layout.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// Reads a PNML document, as it was read from the input, into the store:
// places and transitions of the net's pages (nested to any depth) in
// document order, the arcs in document order once reference nodes are
// resolved (repeats included: RemoveDuplicateArcs drops them), and the net's name.
// Ids live in a table of the reader's own, which also holds the reference
// nodes. With `layout`, also notes where every node and arc element lies and
// whom it follows, for the subnet files; the input must then be a text given
// whole (std::logic_error otherwise). With `values`, also the places'
// initial markings and the arcs' weights and kinds (see net_values.h). A
// fault ends the run with status 2; the first one in document order counts,
// then those found after the document: no net, references, arcs, and last
// the markings (in place order) and the arcs' weights and kinds.
void ReadPNML(TextBlocks& input, NetStore& store, ArcStore arcs, NetLayout* layout, NetValues* values = nullptr);

}  // namespace vantira
