// Reader of the net description format (.net).
#pragma once

#include <string_view>

#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/net_layout.h"
#include "store/name_index.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// Reads the input, block by block, into the store: the net's name, places and
// transitions numbered by first occurrence, and the arcs in order, repeats
// included (RemoveDuplicateArcs drops them; the subnets do not depend on them).
// `index` receives every place and transition name. A format error ends the
// run with exit status 2. In the basic grammar the first construct of the
// wider one is noted in `hint`, and read as before. With `values`, also the
// places' markings and the arcs' weights (see net_values.h); a marking or
// weight that is no count ends the run once the rest has read without fault.
// With `layout`, also notes every line's record for the subnet files; the
// input must then be a text given whole (std::logic_error otherwise).
void ReadNET(TextBlocks& input, Grammar grammar, NetStore& store, ArcStore arcs, NameIndex& index, GrammarHint& hint,
             NetValues* values = nullptr, NetLayout* layout = nullptr);

}  // namespace vantira
