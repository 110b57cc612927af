// vantira-expatparse: the floor for reading PNML. It reads a file whole into
// memory with one read, as vantira does, and parses it with expat in the
// chunks vantira hands over, with no handlers at all. What vantira -q -g
// spends on a PNML file beyond this is its own work.
//
// usage: vantira-expatparse FILE   (prints nothing; status 1 on an error)

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// As formats/xml_stream.h.
constexpr std::size_t kChunk = std::size_t{1} << 16;

bool ReadWhole(const char* path, std::string& text) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return false;
  text.resize(static_cast<std::size_t>(st.st_size));
  std::size_t filled = 0;
  while (filled < text.size()) {
    const ssize_t got = read(fd, text.data() + filled, text.size() - filled);
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
  }
  close(fd);
  return filled == text.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantira-expatparse FILE\n");
    return 2;
  }
  std::string text;
  if (!ReadWhole(argv[1], text)) {
    std::fprintf(stderr, "vantira-expatparse: cannot read %s\n", argv[1]);
    return 1;
  }
  std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr), XML_ParserFree);
  for (std::size_t done = 0;;) {
    const std::size_t length = std::min(kChunk, text.size() - done);
    const bool last = done + length == text.size();
    if (XML_Parse(parser.get(), text.data() + done, static_cast<int>(length), last) != XML_STATUS_OK) {
      std::fprintf(stderr, "vantira-expatparse: line %lu: %s\n",
                   static_cast<unsigned long>(XML_GetCurrentLineNumber(parser.get())),
                   XML_ErrorString(XML_GetErrorCode(parser.get())));
      return 1;
    }
    if (last) return 0;
    done += length;
  }
}
