#include "formats/tokens.h"

namespace vantira {

std::string_view GetName(const Line& line, int32_t& cursor) {
  const int32_t start = cursor;
  const int32_t length = line.Length();
  const char* s = line.text.data();
  if (line.At(cursor) != '{') {
    while (cursor < length) {
      char c = s[cursor];
      if (IsBlankChar(c) || c == '*') break;
      ++cursor;
    }
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

}  // namespace vantira
