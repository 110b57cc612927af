#include "formats/net_line.h"

#include "store/name_index.h"

namespace vantira {

bool ArrowAt(const Line& line, int32_t cursor) {
  return cursor < line.Length() - 2 && line.At(cursor) == '-' && line.At(cursor + 1) == '>';
}

namespace {

std::string_view Span(const Line& line, int32_t from, int32_t to) {
  return line.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

// A name, then a weight glued to it, then blanks.
void ParseEntry(const Line& line, int32_t& cursor, NetLine& out) {
  NetEntry entry;
  entry.name = GetName(line, cursor);
  entry.hash = HashName(entry.name);
  if (line.At(cursor) == '*') {
    int32_t from = cursor;
    ++cursor;
    SkipToken(line, cursor);
    entry.weight = Span(line, from, cursor);
  }
  SwallowSpace(line, cursor);
  out.entries.push_back(entry);
}

}  // namespace

void ParseNetLine(const Line& line, NetLine& out) {
  out.kind = NetLine::Kind::kSkip;
  out.keyword = out.name = out.marking = {};
  out.hash = 0;
  out.entries.clear();
  out.before_arrow = 0;
  out.arrow = false;
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
  } else {
    out.kind = NetLine::Kind::kUnknown;
    return;
  }
  out.name = GetName(line, cursor);
  if (out.kind != NetLine::Kind::kPlace && out.kind != NetLine::Kind::kTransition) return;
  if (out.name == "->") return;
  out.hash = HashName(out.name);

  SwallowSpace(line, cursor);
  const char c = line.At(cursor);
  if (out.kind == NetLine::Kind::kPlace ? c == '(' : (c == '[' || c == ']')) {
    int32_t from = cursor;
    SkipToken(line, cursor);
    out.marking = Span(line, from, cursor);
  }
  SwallowSpace(line, cursor);
  while (!ArrowAt(line, cursor) && cursor < line.Length()) ParseEntry(line, cursor, out);
  out.before_arrow = out.entries.size();
  if (!ArrowAt(line, cursor)) return;
  out.arrow = true;
  cursor += 2;
  SwallowSpace(line, cursor);
  while (cursor < line.Length()) ParseEntry(line, cursor, out);
}

}  // namespace vantira
