// Shared by the fuzz targets: the program's own run, vantira::Run, on files
// in a folder of memory, its standard output and error caught; and the
// checks every outcome must pass. A failed check aborts, which libFuzzer and
// the replay runner both report as a crash.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decompose/json_text.h"
#include "driver/run.h"

// A sanitizer's report of a fault inside a run must not go where the run's
// standard error is caught.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define VANTIRA_FUZZ_REPORT_FD 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VANTIRA_FUZZ_REPORT_FD 1
#endif
#ifdef VANTIRA_FUZZ_REPORT_FD
#include <sanitizer/common_interface_defs.h>
#endif

#define FUZZ_CHECK(c) ((c) ? void() : vantira::fuzz::Fail(#c, __FILE__, __LINE__))

namespace vantira::fuzz {

// Set by the replay runner: each input then takes every check, where
// libFuzzer's executions take a share each, chosen by the input.
inline bool& EveryCheck() {
  static bool every = false;
  return every;
}

// Standard error as it was before any run took it.
inline int& SavedStderr() {
  static int fd = -1;
  return fd;
}

// The folder of the runs' files, once made.
inline std::string& Folder() {
  static std::string dir;
  return dir;
}

[[noreturn]] inline void Fail(const char* check, const char* file, int line) {
  const std::string text = std::string("check failed: ") + check + " (" + file + ":" + std::to_string(line) + ")\n";
  const int fd = SavedStderr() >= 0 ? SavedStderr() : STDERR_FILENO;
  (void)!write(fd, text.data(), text.size());
  if (!Folder().empty()) std::filesystem::remove_all(Folder());
  std::abort();
}

// What one run gave: its exit status and its standard output and error.
struct Ran {
  int status = 0;
  std::string out, err;
};

// A folder in memory (/dev/shm where there is one) for the input, the
// report and the subnet files; removed when the process ends.
class Workspace {
 public:
  static Workspace& Get() {
    static Workspace workspace;
    return workspace;
  }

  std::string Path(std::string_view name) const { return Folder() + "/" + std::string(name); }

  void Write(std::string_view name, std::string_view bytes) const {
    const int fd = open(Path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    close(fd);
  }

  // The file's bytes; none when it is not there.
  std::optional<std::string> Read(std::string_view name) const {
    const int fd = open(Path(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> text = Drain(fd);
    close(fd);
    return text;
  }

  void Remove(std::string_view name) const { unlink(Path(name).c_str()); }

  // vantira with `args`, its standard streams caught in memory files.
  Ran Run(std::initializer_list<std::string_view> args) const {
    const std::vector<std::string_view> list(args);
    // Each run writes its streams from offset 0 on; where it stops ends them
    // (the bytes of a longer run before it are left past the end, unread).
    for (int fd : {out_, err_}) FUZZ_CHECK(lseek(fd, 0, SEEK_SET) == 0);
    FUZZ_CHECK(dup2(out_, STDOUT_FILENO) >= 0 && dup2(err_, STDERR_FILENO) >= 0);
    Ran ran;
    ran.status = vantira::Run(list);
    FUZZ_CHECK(dup2(saved_out_, STDOUT_FILENO) >= 0 && dup2(SavedStderr(), STDERR_FILENO) >= 0);
    ran.out = *Drain(out_, lseek(out_, 0, SEEK_CUR));
    ran.err = *Drain(err_, lseek(err_, 0, SEEK_CUR));
    return ran;
  }

 private:
  Workspace() {
    std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    base += "/vantira-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(base.data()) != nullptr);
    Folder() = base;
    saved_out_ = dup(STDOUT_FILENO);
    SavedStderr() = dup(STDERR_FILENO);
    out_ = memfd_create("stdout", MFD_CLOEXEC);
    err_ = memfd_create("stderr", MFD_CLOEXEC);
    FUZZ_CHECK(saved_out_ >= 0 && SavedStderr() >= 0 && out_ >= 0 && err_ >= 0);
#ifdef VANTIRA_FUZZ_REPORT_FD
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(SavedStderr())));
#endif
  }
  ~Workspace() { std::filesystem::remove_all(Folder()); }

  // The file's first `end` bytes, or all of it.
  static std::optional<std::string> Drain(int fd, off_t end = -1) {
    std::string text;
    char buffer[65536];
    for (off_t at = 0; end < 0 || at < end;) {
      const std::size_t want = end < 0 ? sizeof buffer : std::min<std::size_t>(sizeof buffer, end - at);
      const ssize_t got = pread(fd, buffer, want, at);
      if (got < 0) return std::nullopt;
      if (got == 0) return text;
      text.append(buffer, static_cast<std::size_t>(got));
      at += got;
    }
    return text;
  }

  int saved_out_ = -1, out_ = -1, err_ = -1;
};

inline constexpr std::string_view kHintEnd = "; -e reads the wider grammar\n";

// The hint line a run of the basic grammar may start its standard error
// with; taken off `err`.
inline std::string TakeHint(std::string& err) {
  if (!err.starts_with("vantira: line ")) return {};
  const std::size_t end = err.find('\n') + 1;
  std::string hint = err.substr(0, end);
  if (!hint.ends_with(kHintEnd)) return {};
  err.erase(0, end);
  return hint;
}

// A run ends well, or fails in its one shape: a status the input alone can
// cause, one "*** " line (on standard error with -j), and one line on
// standard error that says why: none only where the message names the PNML
// document's line itself. Returns the hint, which the wider grammar never
// gives.
inline std::string CheckOutcome(Ran ran, bool json, bool wide) {
  std::string hint = TakeHint(ran.err);
  FUZZ_CHECK(!wide || hint.empty());
  if (ran.status == 0) {
    FUZZ_CHECK(ran.out.empty() && ran.err.empty());
    return hint;
  }
  FUZZ_CHECK(ran.status == 2 || ran.status == 3);
  // With -j the message, which may quote the input's line, is all of
  // standard error but its last line.
  const bool pnml_line = (json ? ran.err : ran.out).starts_with("*** wrong PNML file: line ");
  std::string message = ran.out, why = ran.err;
  if (json) {
    FUZZ_CHECK(ran.out.empty());
    const std::size_t cut = pnml_line ? why.size() : why.rfind('\n', why.size() - 2) + 1;
    message = why.substr(0, cut);
    why.erase(0, cut);
  }
  FUZZ_CHECK(message.size() > 5 && message.starts_with("*** ") && message.ends_with('\n'));
  if (pnml_line) {
    FUZZ_CHECK(why.empty());
    return hint;
  }
  FUZZ_CHECK(why.size() > 10 && why.starts_with("vantira: ") && why.find('\n') == why.size() - 1);
  FUZZ_CHECK(!why.ends_with(kHintEnd));
  return hint;
}

// Whether every byte of `text` is in a well-formed UTF-8 sequence (then
// the JSON report writes its names as they are).
inline bool IsUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

}  // namespace vantira::fuzz
