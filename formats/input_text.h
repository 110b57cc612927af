// The input. A run that writes subnet files reads it once, whole, into
// memory: recognition, the reader and the subnet writers all walk this same
// text, so a pipe works as well as a file and every pass sees the same lines.
// A run that reads the input only once walks it block by block instead, and
// holds a few megabytes of it at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "formats/recognize.h"

namespace vantira {

// What the reasons of a failed read call the input when it has no file name.
inline constexpr std::string_view kStandardInput = "standard input";

// Reads everything `fd` delivers. A read error, or a NUL byte (the input is
// then no text net), ends the run with "*** wrong input file", its reason
// naming the input `name`. The bytes are kept as they came, with room for one
// more behind them (see EndLastLine).
std::string ReadInputText(int fd, std::string_view name = kStandardInput);

// The NUL check of ReadInputText, for text already in memory that begins at
// byte `offset` of the input `name`.
void RefuseNul(std::string_view text, uint64_t offset = 0, std::string_view name = kStandardInput);

// A last line without a line end gets a LF, so that the line formats read it
// like every other line.
void EndLastLine(std::string& text);

// RefuseNul and EndLastLine, for a text of a line format already in memory.
void PrepareInputText(std::string& text);

// A part of the input: whole lines, each with its LF (in the line formats
// the last line of the input gets one), and where it lies in the input.
struct TextBlock {
  std::string_view text;
  uint64_t offset = 0;  // of its first byte
};

// The input as the readers walk it, block after block.
class TextBlocks {
 public:
  // A whole text, already read and prepared: one block.
  explicit TextBlocks(std::string_view whole);
  // Reads `fd` as the blocks are taken, about `block` bytes at a time; for a
  // text that is read once. A read error or a NUL byte ends the run with
  // "*** wrong input file".
  static constexpr std::size_t kBlock = std::size_t{1} << 18;
  explicit TextBlocks(int fd, std::size_t block = kBlock, std::string_view name = kStandardInput);

  // Reads up to the first significant line (or the end) and tells the format
  // from it; the line formats then read a last line without a line end as if
  // it had one, PNML keeps the bytes as they are. Call once, before Next, on
  // a text read from a descriptor.
  Format Recognize();

  // The next block; false at the end of the input.
  bool Next(TextBlock& block);

  // The text given whole; nothing for a text read from a descriptor.
  std::optional<std::string_view> Whole() const {
    if (streaming_) return std::nullopt;
    return whole_;
  }

  // The input's size when known ahead (a regular file, or a whole text), else 0.
  uint64_t Size() const { return size_; }
  // Read block by block from a regular file, whose reads end.
  bool Regular() const { return streaming_ && regular_; }

  // After a reader failed: reads the rest of a regular file, so that a NUL
  // byte or a read error in it is told first ("*** wrong input file"), as it
  // would have been had the file been read whole before. A pipe is left
  // alone: it may never end.
  void CheckRest();

 private:
  // Reads into the buffer behind what it holds; false at the end of input.
  bool Fill();

  std::string_view whole_;
  std::string_view name_ = kStandardInput;  // for the reasons of failed reads
  bool streaming_ = false;
  bool regular_ = false;
  int fd_ = -1;
  uint64_t size_ = 0;
  bool end_last_line_ = false;
  bool at_end_ = false;  // the descriptor has no more to give
  bool done_ = false;    // every block handed out
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;  // where the bytes not handed out yet start
  std::size_t end_ = 0;    // end of the bytes read
  uint64_t offset_ = 0;    // of buffer_[begin_] in the input
};

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
