// vantira-nohuge: runs a command with transparent huge pages turned off for
// it, so that every page it touches for the first time costs one page fault
// of 4 KiB: its minor faults then count the fresh memory it takes.
// Usage: vantira-nohuge COMMAND [ARG...]
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vantira-nohuge COMMAND [ARG...]\n");
    return 2;
  }
  if (prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0) != 0) std::perror("vantira-nohuge: prctl");
  execvp(argv[1], argv + 1);
  std::perror("vantira-nohuge: exec");
  return 127;
}
