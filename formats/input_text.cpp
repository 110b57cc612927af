#include "formats/input_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/c_array.h"
#include "store/failure.h"

namespace vantira {

namespace {

Failure WrongInput() { return MakeFailure(kExitBadInput, "wrong input file"); }

}  // namespace

void RefuseNul(std::string_view text) {
  if (std::memchr(text.data(), '\0', text.size()) != nullptr) throw WrongInput();
}

void EndLastLine(std::string& text) {
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
}

void PrepareInputText(std::string& text) {
  RefuseNul(text);
  EndLastLine(text);
}

std::string ReadInputText(int fd) {
  std::string text;
  struct stat st;
  std::size_t chunk = 1 << 20;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    chunk = static_cast<std::size_t>(st.st_size) + 1;  // +1 sees end of file in one call
    // Advised before the first touch, a big input lands in huge pages.
    text.reserve(chunk);
    AdviseHugePages(text.data(), text.capacity());
  }
  std::size_t filled = 0;
  for (;;) {
    if (filled == text.size()) text.resize(filled + chunk);
    ssize_t got = read(fd, text.data() + filled, text.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw WrongInput();
    }
    if (got == 0) break;
    // An endless stream such as /dev/zero must not be read to exhaustion first.
    if (std::memchr(text.data() + filled, '\0', static_cast<std::size_t>(got)) != nullptr) throw WrongInput();
    filled += static_cast<std::size_t>(got);
    if (filled == text.size()) chunk = text.size();  // grow geometrically for pipes
  }
  text.resize(filled + 1);  // room for a final LF without another copy
  text.resize(filled);
  return text;
}

}  // namespace vantira
