#include "driver/subnet_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/failure.h"
#include "base/output.h"

namespace vantira {

std::string SubnetBaseName(std::string_view infile, std::string_view zname) {
  std::string_view base = zname.empty() ? infile : zname;
  // A suffix goes only when something is left before it.
  for (std::string_view suffix : {".ndr", ".net", ".pnml"}) {
    if (base.size() > suffix.size() && base.ends_with(suffix)) {
      base.remove_suffix(suffix.size());
      break;
    }
  }
  return std::string(base);
}

std::string SubnetFileName(std::string_view base, int32_t k, std::string_view extension) {
  std::string name(base);
  name.append("-z").append(std::to_string(k)).append(extension);
  return name;
}

ProtectedFile IdentifyFd(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return ProtectedFile{true, st.st_dev, st.st_ino};
}

bool IsSameFile(const std::string& path, const ProtectedFile& first, const ProtectedFile& second) {
  struct stat st;
  if ((!first.known && !second.known) || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  auto same = [&st](const ProtectedFile& file) {
    return file.known && st.st_dev == file.device && st.st_ino == file.inode;
  };
  return same(first) || same(second);
}

Failure OpenError(std::string_view name) { return MakeFailure(kExitFile, std::string("error open file ").append(name)); }

Failure WriteError(std::string_view name) {
  return MakeFailure(kExitFile, std::string("error write file ").append(name));
}

namespace {

// `content` is reused from file to file, so its buffer is taken only once.
void WriteOneFile(const SubnetPlan& plan, int32_t k, const std::string& name, const ProtectedFile& input,
                  const ProtectedFile& report, Output& content) {
  if (IsSameFile(name, input, report)) {
    // Which one is worked out only now: the test above runs once per file.
    throw OpenError(name).Because(
        name + (IsSameFile(name, input) ? " would overwrite the input" : " would overwrite the report"));
  }
  int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw OpenError(name).Because(name + ": " + SystemReason(errno));
  content.Clear();
  plan.Write(k, content);
  const bool written = WriteAll(fd, content.Text());
  const int write_error = errno;
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
    throw WriteError(name).Because(name + ": " + SystemReason(written ? errno : write_error));
  }
}

}  // namespace

void WriteSubnetFiles(const SubnetPlan& plan, int32_t count, std::string_view base, std::string_view extension,
                      const ProtectedFile& input, const ProtectedFile& report) {
  // One buffer for every file, taken once at the size of the largest.
  std::size_t largest = 0;
  for (int32_t k = 1; k <= count; ++k) largest = std::max(largest, plan.FileSize(k));
  Output content;
  content.Reserve(largest);
  for (int32_t k = 1; k <= count; ++k) {
    WriteOneFile(plan, k, SubnetFileName(base, k, extension), input, report, content);
    if (plan.FailureMet()) throw *plan.FailureMet();
  }
}

}  // namespace vantira
