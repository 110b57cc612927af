// vantira-dot [report]: the graph of subnets of a report written by
// `vantira -g`, as Graphviz DOT on standard output.
#include <fstream>
#include <iostream>
#include <string_view>

#include "subnet_graph.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vantira-dot [-h | -help] [report]\n"
    "reads a report written by vantira -g (standard input if - or none)\n"
    "and writes the graph of its subnets in Graphviz DOT to standard output\n";

}  // namespace

int main(int argc, char** argv) {
  std::string_view name = "-";
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "-help") {
      std::cout << kUsage;
      return 0;
    }
    if (i > 1) {
      std::cout << "*** unknown option: " << arg << "\n";
      return 4;
    }
    name = arg;
  }
  std::ifstream file;
  if (name != "-") {
    file.open(std::string(name), std::ios::binary);
    if (!file) {
      std::cout << "*** error open file " << name << "\n";
      return 4;
    }
  }
  try {
    vantira_dot::SubnetGraph graph = vantira_dot::ReadReport(name == "-" ? std::cin : file);
    vantira_dot::WriteDot(graph, std::cout);
  } catch (const vantira_dot::ReportError& error) {
    std::cout << error.message << "\n";
    return error.status;
  }
  std::cout.flush();
  return std::cout ? 0 : 4;
}
