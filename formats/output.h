// Text output through one large buffer. Either collects everything in memory
// (tests, planning) or flushes to a file descriptor in big blocks. Write
// errors are remembered, not thrown, so the caller decides when to report.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantira {

class Output {
 public:
  static constexpr std::size_t kBlock = 1 << 20;

  Output() = default;  // in memory
  explicit Output(int fd) : fd_(fd) { buffer_.reserve(kBlock + 4096); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Put(std::string_view text) {
    buffer_.append(text);
    if (fd_ >= 0 && buffer_.size() >= kBlock) Flush();
  }
  void Put(char c) {
    buffer_.push_back(c);
    if (fd_ >= 0 && buffer_.size() >= kBlock) Flush();
  }
  void PutNumber(int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    Put(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }

  // Writes the buffered bytes to the descriptor (nothing for memory output).
  void Flush();
  bool Failed() const { return failed_; }
  // Everything written so far, for memory output.
  const std::string& Text() const { return buffer_; }
  void Clear() { buffer_.clear(); }

 private:
  int fd_ = -1;
  bool failed_ = false;
  std::string buffer_;
};

// Writes all of `text` to `fd`; false on a write error.
bool WriteAll(int fd, std::string_view text);

}  // namespace vantira
