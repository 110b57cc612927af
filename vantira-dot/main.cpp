// vantira-dot [--net] [report]: the graph of subnets of a vantira report
// (the text report written with -g, or the JSON report), or with --net the
// whole net of a JSON report, as Graphviz DOT on standard output. Messages
// go to standard error, so that none of them reaches dot in a pipe.
#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

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
constexpr const char* kNoArcs = "--net needs the \"arcs\" of a full JSON report (not -q, not the text report)";

// A failure: its message, then its reason, both on standard error.
int Fail(std::string_view message, std::string_view reason, int status) {
  std::cerr << message << "\n";
  if (!reason.empty()) std::cerr << "vantira-dot: " << reason << "\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string_view name = "-";
  bool net = false;
  bool named = false;
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
    if (arg == "--net") {
      net = true;
      continue;
    }
    if (named) {
      return Fail("*** unknown option: " + std::string(arg),
                  "'" + std::string(arg) + "' would be a second file name; vantira-dot -h lists the options", 4);
    }
    name = arg;
    named = true;
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
        if (!report.has_arcs) throw vantira_dot::ReportError{std::string(kNoNet), 2, kNoArcs};
        vantira_dot::WriteNetDot(report, std::cout);
      } else {
        vantira_dot::WriteDot(vantira_dot::ReadJsonGraph(text), std::cout);
      }
    } else {
      if (net) throw vantira_dot::ReportError{std::string(kNoNet), 2, kNoArcs};
      std::istringstream in(std::move(text));
      vantira_dot::WriteDot(vantira_dot::ReadReport(in), std::cout);
    }
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
