// vantira-dot [report]: the graph of subnets of a report written by
// `vantira -g`, as Graphviz DOT on standard output.
#include <cerrno>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "subnet_graph.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vantira-dot [-h | -help] [report]\n"
    "reads a report written by vantira -g (standard input if - or none)\n"
    "and writes the graph of its subnets in Graphviz DOT to standard output\n";

// A failure: its message on standard output, its reason on standard error.
int Fail(std::string_view message, std::string_view reason, int status) {
  std::cout << message << "\n" << std::flush;
  std::cerr << "vantira-dot: " << reason << "\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string_view name = "-";
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "-help" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "vantira-dot " VANTIRA_VERSION "\n";
      return 0;
    }
    if (i > 1) {
      return Fail("*** unknown option: " + std::string(arg),
                  "'" + std::string(arg) + "' would be a second file name; vantira-dot -h lists the options", 4);
    }
    name = arg;
  }
  std::ifstream file;
  if (name != "-") {
    errno = 0;
    file.open(std::string(name), std::ios::binary);
    if (!file) {
      const int error = errno;
      const std::string shown(name);
      // A word such as "-x" was more likely meant as an option.
      return Fail("*** error open file " + shown,
                  name.size() > 1 && name[0] == '-'
                      ? "no option " + shown + "; vantira-dot -h lists the options"
                      : shown + ": " + (error != 0 ? std::generic_category().message(error) : "cannot be opened"),
                  4);
    }
  }
  try {
    vantira_dot::SubnetGraph graph = vantira_dot::ReadReport(name == "-" ? std::cin : file);
    vantira_dot::WriteDot(graph, std::cout);
  } catch (const vantira_dot::ReportError& error) {
    return Fail(error.message, error.reason, error.status);
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "vantira-dot: standard output: the graph could not be written\n";
    return 4;
  }
  return 0;
}
