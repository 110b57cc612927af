// The lexical layer shared by both readers and both writers. A line is a view
// of one input line, normally ending in its LF; a position at or past its end
// reads as NUL, so every routine stops there at the latest.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantira {

struct Line {
  std::string_view text;

  int32_t Length() const { return static_cast<int32_t>(text.size()); }
  char At(int32_t i) const { return i < Length() ? text[static_cast<std::size_t>(i)] : '\0'; }
};

// Space, tab, LF and CR; nothing else, whatever the locale.
inline bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// True at a blank character and at the end of the line.
inline bool IsSpace(const Line& line, int32_t cursor) {
  char c = line.At(cursor);
  return IsBlankChar(c) || c == '\0';
}

// Advances the cursor over blank characters, never past the end of the line.
inline void SwallowSpace(const Line& line, int32_t& cursor) {
  while (cursor < line.Length() && IsBlankChar(line.text[static_cast<std::size_t>(cursor)])) ++cursor;
}

// Advances the cursor while IsSpace is false: a marking, an interval, a weight
// or a field is skipped this way, unread.
inline void SkipToken(const Line& line, int32_t& cursor) {
  while (!IsSpace(line, cursor)) ++cursor;
}

// Reads the name at the cursor (no blanks are skipped first) and leaves the
// cursor just behind it. A plain name runs up to a blank, "*" or the end; a
// braced name runs through the first "}" not escaped by a backslash, or up to
// the line end when there is none, braces and backslashes included. The
// result is the name's exact text, a view into the line.
std::string_view GetName(const Line& line, int32_t& cursor);

// GetName for an arc entry of the wider grammar, where a plain name also ends
// at "?" and "!", which start an arc kind ("p?1", "p!-1").
std::string_view GetEntryName(const Line& line, int32_t& cursor);

// "#" at position 0.
inline bool IsCommentLine(const Line& line) { return line.At(0) == '#'; }

// Position of the first non-blank character; equal to Length() for a blank line.
inline int32_t FirstNonBlank(const Line& line) {
  int32_t cursor = 0;
  SwallowSpace(line, cursor);
  return cursor;
}

}  // namespace vantira
