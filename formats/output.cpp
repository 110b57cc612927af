#include "formats/output.h"

#include <unistd.h>

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
  if (!failed_ && !WriteAll(fd_, buffer_)) failed_ = true;
  buffer_.clear();
}

}  // namespace vantira
