// vantira-writefiles: the floor for writing subnet files. It reads every file
// of a folder into memory, then times creating the same files, with the same
// bytes, in a fresh folder with nothing but open/write/close per file. What
// vantira -s spends beyond this is its own overhead.

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct File {
  std::string name;
  std::string bytes;
};

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "vantira-writefiles: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  std::exit(1);
}

std::string ReadWhole(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("cannot open", path);
  std::string bytes;
  char block[1 << 16];
  for (;;) {
    ssize_t got = read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Fail("cannot read", path);
    if (got == 0) break;
    bytes.append(block, static_cast<std::size_t>(got));
  }
  close(fd);
  return bytes;
}

// Shorter names first, then by name: a-z9 before a-z10, the order vantira
// writes them in.
double CpuSeconds() {
  rusage use;
  getrusage(RUSAGE_SELF, &use);
  return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
         static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

bool WriteOrder(const File& a, const File& b) {
  return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: vantira-writefiles SOURCE_DIR NEW_DIR\n"
                 "  copies every file of SOURCE_DIR into NEW_DIR (created here) and prints\n"
                 "  files=N bytes=B cpu=C seconds=S; C (user + system) and S (wall) cover\n"
                 "  the open/write/close calls only\n");
    return 2;
  }
  const std::string source = argv[1];
  const std::string target = argv[2];

  std::vector<File> files;
  DIR* dir = opendir(source.c_str());
  if (dir == nullptr) Fail("cannot open folder", source);
  while (dirent* entry = readdir(dir)) {
    std::string path = source + "/" + entry->d_name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    files.push_back(File{entry->d_name, ReadWhole(path)});
  }
  closedir(dir);
  std::sort(files.begin(), files.end(), WriteOrder);

  if (mkdir(target.c_str(), 0777) != 0) Fail("cannot create folder", target);
  std::vector<std::string> paths;
  paths.reserve(files.size());
  std::size_t bytes = 0;
  for (const File& f : files) {
    paths.push_back(target + "/" + f.name);
    bytes += f.bytes.size();
  }

  const double cpu_start = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < files.size(); ++i) {
    int fd = open(paths[i].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) Fail("cannot create", paths[i]);
    const std::string& data = files[i].bytes;
    std::size_t done = 0;
    while (done < data.size()) {
      ssize_t put = write(fd, data.data() + done, data.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) Fail("cannot write", paths[i]);
      done += static_cast<std::size_t>(put);
    }
    if (close(fd) != 0) Fail("cannot close", paths[i]);
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  const double cpu = CpuSeconds() - cpu_start;

  std::printf("files=%zu bytes=%zu cpu=%.3f seconds=%.3f\n", files.size(), bytes, cpu, took.count());
  return 0;
}
