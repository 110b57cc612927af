// vantira-dot's command line.
#pragma once

#include <string_view>
#include <vector>

#include "subnet_graph.h"

namespace vantira_dot {

inline constexpr std::string_view kUsage =
    "usage: vantira-dot [-h | -help] [--net] [--subnet K[,K...] [--depth D]] [--top N]\n"
    "                   [--labels] [--tooltips] [report]\n"
    "reads a report written by vantira -g or vantira -j (standard input if - or none)\n"
    "and writes the graph of its subnets in Graphviz DOT to standard output;\n"
    "--net draws the whole net of a JSON report instead, each subnet a cluster\n"
    "--subnet K,...  draws only subnets K,... of the net, and as one box each\n"
    "                subnet within D steps of them (--depth, default 1)\n"
    "--top N         the graph of the N largest subnets, the others folded\n"
    "--labels        places and transitions show the names in the report's labels\n"
    "--tooltips      a tooltip on every node and cluster, for SVG viewers\n";

struct Options {
  bool help = false;
  bool version = false;
  bool net = false;
  std::vector<int> subnets;  // --subnet, in the order given
  int depth = 1;
  int top = 0;  // --top; 0: all subnets
  DrawOptions draw;
  std::string_view report = "-";
};

// Reads the arguments (without the program's name) up to the first -h,
// -help, --help or --version. Throws ReportError, status 4, for an unknown
// option, a second file name, a value that is missing or not a number of
// its range, and options that do not go together.
Options ScanOptions(const std::vector<std::string_view>& args);

}  // namespace vantira_dot
