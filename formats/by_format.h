// The reader of a format, chosen in one place.
#pragma once

#include <string>
#include <string_view>

#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/pnml_layout.h"
#include "formats/recognize.h"
#include "store/name_index.h"
#include "store/net_store.h"

namespace vantira {

// Recognises the format of a text as read and readies the text for its
// reader: the line formats read a last line without a line end as if it had
// one; PNML keeps the bytes as they are, for its subnet files copy them.
Format PrepareByFormat(std::string& text);

// ReadNET, ReadNDR or ReadPNML, into a store fresh from AllocateStore, the
// arcs put where `arcs` says. The line formats fill `index` with every
// place and transition name, read in `grammar`, and tell `hint` of the first
// construct of the wider grammar the basic one meets; PNML fills `layout`,
// when given, for its subnet files.
void ReadByFormat(Format format, Grammar grammar, TextBlocks& input, NetStore& store, ArcStore arcs, NameIndex& index,
                  GrammarHint& hint, PnmlLayout* layout);

// Builds the adjacency index from the arc lists. The same arc may be given
// several times in a net description or a PNML document, and counts once
// there; a drawing keeps every edge it lists.
void IndexByFormat(Format format, NetStore& store);

}  // namespace vantira
