// vantira-capped: runs one command under a time and memory cap and prints
// its wall seconds, for bench/semiflows.sh.
//
//   vantira-capped SECONDS MEMORY_GB OUT ERR COMMAND [ARG ...]
//
// Prints "S" (the wall seconds from just before the start to the reaping),
// or "time" (killed at the cap), "memory" (failed, and ERR speaks of memory)
// or "failed". A shell, `ulimit` and `timeout` around each run cost several
// milliseconds, as much as a small system takes to solve, so the caps are
// set here: the address-space limit before posix_spawn (the child inherits
// it) and the time cap by waiting for SIGCHLD with a deadline.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

extern char** environ;

namespace {

bool SpeaksOfMemory(const char* path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s.find("memory") != std::string::npos || s.find("bad_alloc") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: vantira-capped SECONDS MEMORY_GB OUT ERR COMMAND [ARG ...]\n");
    return 2;
  }
  const double seconds = std::atof(argv[1]);
  const rlim_t bytes = static_cast<rlim_t>(std::atof(argv[2]) * 1024 * 1024 * 1024);
  rlimit limit{bytes, bytes};
  if (setrlimit(RLIMIT_AS, &limit) != 0) {
    std::perror("setrlimit");
    return 2;
  }
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, 2, argv[4], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // SIGCHLD is blocked here so that sigtimedwait can take it; the child
  // gets the mask cleared.
  sigset_t child;
  sigemptyset(&child);
  sigaddset(&child, SIGCHLD);
  sigprocmask(SIG_BLOCK, &child, nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (int e = posix_spawnp(&pid, argv[5], &files, &attributes, argv + 5, environ); e != 0) {
    std::fprintf(stderr, "vantira-capped: %s: %s\n", argv[5], std::strerror(e));
    std::puts("failed");
    return 0;
  }
  const auto deadline = start + std::chrono::duration<double>(seconds);
  int status = 0;
  bool killed = false;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      killed = true;
      break;
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    sigtimedwait(&child, nullptr, &wait);
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (killed)
    std::puts("time");
  else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::puts(SpeaksOfMemory(argv[4]) ? "memory" : "failed");
  else
    std::printf("%.6f\n", wall);
  return 0;
}
