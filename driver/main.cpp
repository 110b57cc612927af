#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include <string_view>
#include <vector>

#include "driver/run.h"
#include "base/platform_tuning.h"

int main(int argc, char** argv) {
  // Keep every large table in its own mapping, so that growing it in fixed
  // steps is a remap and never a copy.
  vantira::TuneAllocator();
  // A standard stream that is closed gets a stand-in that fails every use,
  // so no file the run opens can take its number and receive its traffic.
  if (fcntl(STDIN_FILENO, F_GETFD) < 0) open("/dev/null", O_WRONLY);
  if (fcntl(STDOUT_FILENO, F_GETFD) < 0) open("/dev/null", O_RDONLY);
  if (fcntl(STDERR_FILENO, F_GETFD) < 0) open("/dev/null", O_RDONLY);
  // A reader that goes away, or a file that reaches the size limit, is a
  // failed write that ends the run with status 4, not a signal: told like
  // any other, but for a reader gone from standard output, which is told
  // nothing.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string_view> args(argv + 1, argv + argc);
  return vantira::Run(args);
}
