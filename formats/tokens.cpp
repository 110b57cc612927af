#include "formats/tokens.h"

#include <array>

namespace vantira {

namespace {

using EndTable = std::array<bool, 256>;

// Characters that end a plain name: the blanks, "*" and NUL.
constexpr EndTable kEndsPlainName = [] {
  EndTable ends{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '*', '\0'}) ends[c] = true;
  return ends;
}();

// In an arc entry of the wider grammar, also "?" and "!".
constexpr EndTable kEndsEntryName = [] {
  EndTable ends = kEndsPlainName;
  ends['?'] = ends['!'] = true;
  return ends;
}();

template <const EndTable& kEnds>
std::string_view NameEndingAt(const Line& line, int32_t& cursor) {
  const int32_t start = cursor;
  const int32_t length = line.Length();
  const char* s = line.text.data();
  if (line.At(cursor) != '{') {
    while (cursor < length && !kEnds[static_cast<unsigned char>(s[cursor])]) ++cursor;
  } else {
    bool escaped = false;
    while (cursor < length) {
      char c = s[cursor];
      if (c == '\n' || c == '\r') break;
      ++cursor;
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '}') {
        break;
      }
    }
  }
  return line.text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(cursor - start));
}

}  // namespace

std::string_view GetName(const Line& line, int32_t& cursor) { return NameEndingAt<kEndsPlainName>(line, cursor); }

std::string_view GetEntryName(const Line& line, int32_t& cursor) { return NameEndingAt<kEndsEntryName>(line, cursor); }

}  // namespace vantira
