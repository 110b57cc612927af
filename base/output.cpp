#include "base/output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vantira {

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t done = write(fd, text.data(), text.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

void Output::Flush() {
  if (fd_ < 0) return;
  Send(Text());
  Clear();
}

void Output::Send(std::string_view text) {
  if (failed_ || text.empty()) return;
  if (empty_first_) {
    empty_first_ = false;
    if (ftruncate(fd_, 0) != 0) return Fail();
  }
  if (!WriteAll(fd_, text)) Fail();
}

void Output::Fail() {
  failed_ = true;
  error_ = errno;
}

void Output::Reserve(std::size_t capacity) {
  if (capacity <= static_cast<std::size_t>(limit_ - buffer_.get())) return;
  const std::size_t used = static_cast<std::size_t>(end_ - buffer_.get());
  // Left uninitialised: only the bytes written are read.
  std::unique_ptr<char[]> grown(new char[capacity]);
  if (used != 0) std::memcpy(grown.get(), buffer_.get(), used);
  buffer_ = std::move(grown);
  end_ = buffer_.get() + used;
  limit_ = buffer_.get() + capacity;
}

void Output::PutLong(std::string_view text) {
  const std::size_t used = static_cast<std::size_t>(end_ - buffer_.get());
  const std::size_t capacity = static_cast<std::size_t>(limit_ - buffer_.get());
  if (fd_ >= 0 && used + text.size() <= kBlock) {
    // Fits in a block: the buffer grows to hold it, as a whole block would.
    Reserve(std::min(kBlock, std::max(capacity * 2, used + text.size())));
  } else if (fd_ >= 0) {
    Flush();
    if (text.size() > kBlock) {
      // Bigger than a block: straight through.
      Send(text);
      return;
    }
    Reserve(kBlock);
  } else {
    Reserve(std::max({capacity * 2, used + text.size(), std::size_t{4096}}));
  }
  std::memcpy(end_, text.data(), text.size());
  end_ += text.size();
}

}  // namespace vantira
