// vantira-dot [--net] [report]: the graph of subnets of a vantira report
// (the text report written with -g, or the JSON report), or with --net the
// whole net of a JSON report, as Graphviz DOT on standard output. Messages
// go to standard error, so that none of them reaches dot in a pipe.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>

#include "json_report.h"
#include "net_dot.h"
#include "report_input.h"
#include "subnet_graph.h"

namespace {

constexpr std::string_view kUsage =
    "usage: vantira-dot [-h | -help] [--net] [report]\n"
    "reads a report written by vantira -g or vantira -j (standard input if - or none)\n"
    "and writes the graph of its subnets in Graphviz DOT to standard output;\n"
    "--net draws the whole net of a JSON report instead, each subnet a cluster\n";

constexpr std::string_view kNoNet = "*** no net in the report: write it with vantira -j";

}  // namespace

int main(int argc, char** argv) {
  std::string_view name = "-";
  bool net = false;
  bool named = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "-help") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--net") {
      net = true;
      continue;
    }
    if (named) {
      std::cerr << "*** unknown option: " << arg << "\n";
      return 4;
    }
    name = arg;
    named = true;
  }
  std::ifstream file;
  if (name != "-") {
    file.open(std::string(name), std::ios::binary);
    if (!file) {
      std::cerr << "*** error open file " << name << "\n";
      return 4;
    }
  }
  std::string text = vantira_dot::ReadWhole(name == "-" ? std::cin : file);
  if (auto failure = vantira_dot::FailureLine(text)) {
    // vantira failed: pass its message on, and nothing to dot.
    std::cerr << *failure << "\n";
    return 2;
  }
  try {
    if (vantira_dot::IsJson(text)) {
      if (net) {
        const vantira_dot::NetReport report = vantira_dot::ReadJsonNet(text);
        if (!report.has_arcs) throw vantira_dot::ReportError{std::string(kNoNet), 2};
        vantira_dot::WriteNetDot(report, std::cout);
      } else {
        vantira_dot::WriteDot(vantira_dot::ReadJsonGraph(text), std::cout);
      }
    } else {
      if (net) throw vantira_dot::ReportError{std::string(kNoNet), 2};
      std::istringstream in(std::move(text));
      vantira_dot::WriteDot(vantira_dot::ReadReport(in), std::cout);
    }
  } catch (const vantira_dot::ReportError& error) {
    std::cerr << error.message << "\n";
    return error.status;
  }
  std::cout.flush();
  return std::cout ? 0 : 4;
}
