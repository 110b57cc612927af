// vantira-dot [options] [report]: the graph of subnets of a vantira report
// (the text report written with -g, or the JSON report), or with --net the
// whole net of a JSON report, or with --subnet a part of it, as Graphviz DOT
// on standard output. Messages go to standard error, so that none of them
// reaches dot in a pipe.
#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "json_report.h"
#include "neighbourhood_dot.h"
#include "net_dot.h"
#include "options.h"
#include "report_input.h"
#include "subnet_graph.h"

namespace {

constexpr std::string_view kNoNet = "*** no net in the report: write it with vantira -j";
constexpr const char* kNoArcs = "--net needs the \"arcs\" of a full JSON report (not -q, not the text report)";
constexpr const char* kNoArcsForSubnets =
    "--subnet needs the \"arcs\" of a full JSON report (not -q, not the text report)";

// A failure: its message, then its reason, both on standard error.
int Fail(std::string_view message, std::string_view reason, int status) {
  std::cerr << message << "\n";
  if (!reason.empty()) std::cerr << "vantira-dot: " << reason << "\n";
  return status;
}

// Draws what `options` ask for from the report `text` to standard output.
void Draw(const vantira_dot::Options& options, std::string& text) {
  using namespace vantira_dot;
  const bool whole_net = options.net || !options.subnets.empty();
  const char* const needs_arcs = options.subnets.empty() ? kNoArcs : kNoArcsForSubnets;
  if (!IsJson(text)) {
    if (whole_net) throw ReportError{std::string(kNoNet), 2, needs_arcs};
    std::istringstream in(std::move(text));
    const SubnetGraph graph = ReadReport(in);
    options.top != 0 ? WriteTopDot(graph, options.top, std::cout, options.draw)
                     : WriteDot(graph, std::cout, options.draw);
    return;
  }
  if (!whole_net) {
    const SubnetGraph graph = ReadJsonGraph(text);
    options.top != 0 ? WriteTopDot(graph, options.top, std::cout, options.draw)
                     : WriteDot(graph, std::cout, options.draw);
    return;
  }
  const NetReport report = ReadJsonNet(text);
  if (!report.has_arcs) throw ReportError{std::string(kNoNet), 2, needs_arcs};
  if (options.subnets.empty()) {
    WriteNetDot(report, std::cout, options.draw);
  } else {
    WriteSubnetsDot(report, options.subnets, options.depth, std::cout, options.draw);
  }
}

}  // namespace

int main(int argc, char** argv) {
  vantira_dot::Options options;
  try {
    options = vantira_dot::ScanOptions(std::vector<std::string_view>(argv + 1, argv + argc));
  } catch (const vantira_dot::ReportError& error) {
    return Fail(error.message, error.reason, error.status);
  }
  if (options.help || options.version) {
    std::cout << (options.help ? vantira_dot::kUsage : "vantira-dot " VANTIRA_VERSION "\n");
    return 0;
  }
  const std::string_view name = options.report;
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
    Draw(options, text);
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
