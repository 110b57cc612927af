// The reader of a format, chosen in one place.
#pragma once

#include <string>
#include <string_view>

#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/net_layout.h"
#include "formats/recognize.h"
#include "store/name_index.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// Recognises the format of a text as read and readies the text for its
// reader: the line formats read a last line without a line end as if it had
// one; PNML keeps the bytes as they are, for its subnet files copy them.
Format PrepareByFormat(std::string& text);

// Where a reader puts what it reads. Each format fills the store and the
// parts of its own.
struct ReadInto {
  NetStore& store;     // fresh from AllocateStore
  ArcStore arcs;       // where the arcs go
  NameIndex& index;    // the line formats: every place and transition name
  GrammarHint& hint;   // the line formats: the first construct of the wider grammar the basic one meets
  NetLayout* layout;   // when given (the input then given whole): where its records lie, for the subnet files
  NetValues* values = nullptr;  // when given: the weights and markings, for the semiflows
};

// ReadNET, ReadNDR or ReadPNML; the line formats read in `grammar`.
void ReadByFormat(Format format, Grammar grammar, TextBlocks& input, const ReadInto& into);

// True where the format counts an arc given twice once (a net description,
// PNML); a drawing keeps every edge it lists.
bool RepeatsCountOnce(Format format);

// Builds the adjacency index from the arc lists, dropping repeated arcs
// where they count once.
void IndexByFormat(Format format, NetStore& store);

}  // namespace vantira
