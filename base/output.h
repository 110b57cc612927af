// Text output through one large buffer. Either collects everything in memory
// (tests, planning) or flushes to a file descriptor in big blocks. Write
// errors are remembered, not thrown, so the caller decides when to report.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace vantira {

class Output {
 public:
  static constexpr std::size_t kBlock = 1 << 20;
  // A file's buffer starts at this size and grows to a block before it is
  // first flushed: the writes are the same, and a short report takes little
  // memory.
  static constexpr std::size_t kFirstBlock = 1 << 12;

  Output() = default;  // in memory
  explicit Output(int fd) : fd_(fd) { Reserve(kFirstBlock); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // The report is written a few bytes at a time, millions of times: the
  // common case is one bounds test and one copy.
  void Put(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(limit_ - end_)) {
      PutLong(text);
      return;
    }
    if (!text.empty()) std::memcpy(end_, text.data(), text.size());
    end_ += text.size();
  }
  void Put(char c) {
    if (end_ == limit_) {
      PutLong(std::string_view(&c, 1));
      return;
    }
    *end_++ = c;
  }
  void PutNumber(int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    Put(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }

  // Writes the buffered bytes to the descriptor (nothing for memory output).
  void Flush();
  bool Failed() const { return failed_; }
  // The errno of the write that failed, 0 before one did.
  int Error() const { return error_; }
  // Everything written so far, for memory output.
  std::string_view Text() const { return std::string_view(buffer_.get(), static_cast<std::size_t>(end_ - buffer_.get())); }
  void Clear() { end_ = buffer_.get(); }
  // The descriptor is a regular file that keeps its content until the first
  // byte goes out, and is emptied then: a run that fails before writing
  // anything leaves the file as it was.
  void EmptyBeforeFirstWrite() { empty_first_ = true; }
  // Makes memory output hold `capacity` bytes before it grows again.
  void Reserve(std::size_t capacity);

 private:
  // A text that does not fit: the block is flushed, or the memory grows.
  void PutLong(std::string_view text);
  void Fail();
  // Writes `text` to the descriptor, unless a write failed before.
  void Send(std::string_view text);

  int fd_ = -1;
  bool failed_ = false;
  bool empty_first_ = false;
  int error_ = 0;
  std::unique_ptr<char[]> buffer_;
  char* end_ = nullptr;    // end of the bytes written
  char* limit_ = nullptr;  // end of the buffer
};

// Writes all of `text` to `fd`; false on a write error, errno telling which.
bool WriteAll(int fd, std::string_view text);

}  // namespace vantira
