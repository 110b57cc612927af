// The whole input, read once into memory. Recognition, the reader and the
// subnet writers all walk this same text, so a pipe works as well as a file
// and every pass sees the same lines.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace vantira {

// Reads everything `fd` delivers. A read error, or a NUL byte (the input is
// then no text net), ends the run with "*** wrong input file". The bytes are
// kept as they came, with room for one more behind them (see EndLastLine).
std::string ReadInputText(int fd);

// The NUL check of ReadInputText, for text already in memory.
void RefuseNul(std::string_view text);

// A last line without a line end gets a LF, so that the line formats read it
// like every other line.
void EndLastLine(std::string& text);

// RefuseNul and EndLastLine, for a text of a line format already in memory.
void PrepareInputText(std::string& text);

// Hands out the lines of a prepared text, each with its LF.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : rest_(text) {}

  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const void* lf = std::memchr(rest_.data(), '\n', rest_.size());
    std::size_t length = lf ? static_cast<const char*>(lf) - rest_.data() + 1 : rest_.size();
    line = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return true;
  }

 private:
  std::string_view rest_;
};

}  // namespace vantira
