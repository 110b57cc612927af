#include "formats/net_line.h"

#include "base/failure.h"
#include "store/name_index.h"

namespace vantira {

std::string UnknownCommandReason(std::string_view keyword, Grammar grammar) {
  // Without -e, the commands it adds are what the dots stand for.
  return Quoted(keyword).append(grammar == Grammar::kWide
                                    ? " is not a command of the .net format (tr, pl, net, lb, pr, nt)"
                                    : " is not a command of the .net format (tr, pl, net, lb, ...)");
}

bool ArrowAt(const Line& line, int32_t cursor) {
  return cursor < line.Length() - 2 && line.At(cursor) == '-' && line.At(cursor + 1) == '>';
}

namespace {

std::string_view Span(const Line& line, int32_t from, int32_t to) {
  return line.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

// A name, then a weight or arc kind glued to it, then blanks.
template <Grammar kGrammar>
void ParseEntry(const Line& line, int32_t& cursor, NetLine& out) {
  constexpr bool wide = kGrammar == Grammar::kWide;
  NetEntry entry;
  entry.name = wide ? GetEntryName(line, cursor) : GetName(line, cursor);
  entry.hash = HashName(entry.name);
  const char c = line.At(cursor);
  if (c == '*' || (wide && (c == '?' || c == '!'))) {
    int32_t from = cursor;
    ++cursor;
    SkipToken(line, cursor);
    entry.suffix = Span(line, from, cursor);
  }
  SwallowSpace(line, cursor);
  out.entries.push_back(entry);
}

// The tokens after "pr" but "<" and ">": each names a transition, and what
// follows the name up to the next blank is skipped.
void ParsePriority(const Line& line, int32_t cursor, NetLine& out) {
  while (cursor < line.Length()) {
    const int32_t from = cursor;
    NetEntry entry;
    entry.name = GetName(line, cursor);
    SkipToken(line, cursor);
    entry.suffix = Span(line, from + static_cast<int32_t>(entry.name.size()), cursor);
    SwallowSpace(line, cursor);
    if (entry.suffix.empty() && (entry.name == "<" || entry.name == ">")) continue;
    entry.hash = HashName(entry.name);
    out.entries.push_back(entry);
  }
}

// Each grammar gets its own copy of the line loop, so the basic one pays for
// the wider one with one test: a label's mark behind the name.
template <Grammar kGrammar>
void ParseNetLineIn(const Line& line, NetLine& out) {
  out.kind = NetLine::Kind::kSkip;
  out.keyword = out.name = out.marking = out.label = {};
  out.hash = 0;
  out.entries.clear();
  out.before_arrow = 0;
  out.arrow = out.labelled = out.unread_label = out.unnamed_label = false;
  if (IsCommentLine(line)) return;
  int32_t cursor = FirstNonBlank(line);
  if (cursor == line.Length()) return;
  out.keyword = GetName(line, cursor);
  SwallowSpace(line, cursor);
  if (out.keyword == "net") {
    out.kind = NetLine::Kind::kNet;
  } else if (out.keyword == "lb") {
    out.kind = NetLine::Kind::kLabel;
  } else if (out.keyword == "pl") {
    out.kind = NetLine::Kind::kPlace;
  } else if (out.keyword == "tr") {
    out.kind = NetLine::Kind::kTransition;
  } else if (out.keyword == "pr") {
    out.kind = NetLine::Kind::kPriority;
    if (kGrammar == Grammar::kWide) ParsePriority(line, cursor, out);
    return;
  } else {
    out.kind = out.keyword == "nt" ? NetLine::Kind::kNote : NetLine::Kind::kUnknown;
    return;
  }
  out.name = GetName(line, cursor);
  if (out.kind != NetLine::Kind::kPlace && out.kind != NetLine::Kind::kTransition) return;
  if (out.name == "->") return;
  out.hash = HashName(out.name);

  SwallowSpace(line, cursor);
  // A label: ":" on its own right behind the name, then one name.
  if (line.At(cursor) == ':' && IsSpace(line, cursor + 1)) {
    if (kGrammar == Grammar::kWide) {
      out.labelled = true;
      ++cursor;
      SwallowSpace(line, cursor);
      out.label = GetName(line, cursor);
      // "->" is the arrow, as it would be in a name's place.
      out.unnamed_label = out.label.empty() || out.label == "->";
      SwallowSpace(line, cursor);
    } else {
      out.unread_label = true;
    }
  }
  const char c = line.At(cursor);
  if (out.kind == NetLine::Kind::kPlace ? c == '(' : (c == '[' || c == ']')) {
    int32_t from = cursor;
    SkipToken(line, cursor);
    out.marking = Span(line, from, cursor);
  }
  SwallowSpace(line, cursor);
  while (!ArrowAt(line, cursor) && cursor < line.Length()) ParseEntry<kGrammar>(line, cursor, out);
  out.before_arrow = out.entries.size();
  if (!ArrowAt(line, cursor)) return;
  out.arrow = true;
  cursor += 2;
  SwallowSpace(line, cursor);
  while (cursor < line.Length()) ParseEntry<kGrammar>(line, cursor, out);
}

}  // namespace

void ParseNetLine(const Line& line, Grammar grammar, NetLine& out) {
  if (grammar == Grammar::kWide) {
    ParseNetLineIn<Grammar::kWide>(line, out);
  } else {
    ParseNetLineIn<Grammar::kBasic>(line, out);
  }
}

}  // namespace vantira
