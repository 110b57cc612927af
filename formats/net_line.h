// One line of a net description (.net) taken apart, without looking anything
// up: the reader and the subnet writer both start from this.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/grammar.h"
#include "formats/tokens.h"

namespace vantira {

// An arc entry: a name and what is glued to it: a weight ("*..."), or in the
// wider grammar also an arc kind ("?..." or "!..."), if any.
struct NetEntry {
  std::string_view name;
  std::string_view suffix;
  uint32_t hash;
};

struct NetLine {
  enum class Kind { kSkip, kNet, kPlace, kTransition, kLabel, kPriority, kNote, kUnknown };

  Kind kind = Kind::kSkip;   // kSkip: a comment or blank line
  std::string_view keyword;
  std::string_view name;     // declared element, net's name or label's name
  uint32_t hash = 0;         // of `name`, for places and transitions
  std::string_view marking;  // a place's "(...)" or a transition's interval
  // Arc entries; on a priority line, the transitions it names.
  std::vector<NetEntry> entries;
  std::size_t before_arrow = 0;  // entries[0, before_arrow) precede the arrow
  bool arrow = false;
  // The wider grammar read the label `label` after ":" behind the name.
  bool labelled = false;
  std::string_view label;
  // ... and found no name there: nothing, a weight ("*2") or the arrow. The
  // reader refuses the line.
  bool unnamed_label = false;
  // The basic grammar read a ":" behind the name, the mark of a label, as an
  // arc entry.
  bool unread_label = false;
};

// The arrow that divides arc entries: "->" with at least one more character
// after it on the line.
bool ArrowAt(const Line& line, int32_t cursor);

// Takes `line` apart into `out` (whose entry storage is reused). A place or
// transition named "->" stops after the name; the reader refuses it. The
// lines of priorities ("pr") and notes ("nt") are told apart in both
// grammars; only the wider one takes a priority line's names apart.
void ParseNetLine(const Line& line, Grammar grammar, NetLine& out);

// Why a line with `keyword` fails: it is no command of `grammar`.
std::string UnknownCommandReason(std::string_view keyword, Grammar grammar);

}  // namespace vantira
