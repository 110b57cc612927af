#include "neighbourhood_dot.h"

#include <deque>
#include <string>

#include "net_dot.h"
#include "net_index.h"
#include "tooltips.h"

namespace vantira_dot {

namespace {

// Steps from the nearest chosen subnet on the graph of subnets, taken either
// way; -1 beyond `depth`.
std::vector<int> Steps(std::size_t subnets, const std::vector<SubnetGraph::Edge>& links, const std::vector<int>& chosen,
                       int depth) {
  std::vector<std::vector<int>> neighbours(subnets + 1);
  for (const SubnetGraph::Edge& link : links) {
    neighbours[link.from].push_back(link.to);
    neighbours[link.to].push_back(link.from);
  }
  std::vector<int> steps(subnets + 1, -1);
  std::deque<int> queue;
  for (int k : chosen) {
    if (steps[k] == 0) continue;
    steps[k] = 0;
    queue.push_back(k);
  }
  for (; !queue.empty(); queue.pop_front()) {
    const int k = queue.front();
    if (steps[k] == depth) continue;
    for (int next : neighbours[k]) {
      if (steps[next] >= 0) continue;
      steps[next] = steps[k] + 1;
      queue.push_back(next);
    }
  }
  return steps;
}

}  // namespace

void WriteSubnetsDot(const NetReport& report, const std::vector<int>& chosen, int depth, std::ostream& out,
                     const DrawOptions& options) {
  const std::size_t subnets = report.subnets.size();
  for (int k : chosen) {
    if (k < 1 || static_cast<std::size_t>(k) > subnets) {
      throw ReportError{
          "*** no subnet " + SubnetName(k) + " in the report", 2,
          "the report has " + Counted(subnets, "subnet") + (subnets == 1 ? ", Z1" : ", Z1 to " + SubnetName(subnets))};
    }
  }
  const NetIndex index = IndexNet(report);
  const std::vector<int> colour = ColourSubnets(subnets, report.links);
  const std::vector<int> steps = Steps(subnets, report.links, chosen, depth);
  auto in_full = [&](int k) { return k != 0 && steps[k] == 0; };
  auto boxed = [&](int k) { return k != 0 && steps[k] > 0; };

  // The places of the chosen subnets are drawn, and only those.
  std::vector<bool> drawn(index.place_names.size(), false);
  std::size_t places = 0;
  std::size_t transitions = 0;
  for (std::size_t p = 1; p < index.place_names.size(); ++p) {
    drawn[p] = in_full(index.input_of[p]) || in_full(index.internal_of[p]) || in_full(index.output_of[p]);
    places += drawn[p];
  }
  std::size_t farther = 0;
  for (std::size_t k = 1; k <= subnets; ++k) {
    if (steps[k] == 0) transitions += report.subnets[k - 1].transitions.size();
    if (steps[k] < 0) ++farther;
  }
  WriteNetHead(report, places + transitions, out);
  for (std::size_t k = 1; k <= subnets; ++k) {
    if (steps[k] == 0) WriteSubnetCluster(report, index, k, colour[k - 1], options, out);
  }
  for (std::size_t p = 1; p < index.place_names.size(); ++p) {
    if (drawn[p] && !in_full(index.internal_of[p])) WritePlace(report, index, p, options, out);
  }
  for (std::size_t k = 1; k <= subnets; ++k) {
    if (steps[k] <= 0) continue;
    out << "  Z" << k << " [shape=box, style=\"filled,rounded\", fillcolor=" << SubnetColour(colour[k - 1], 70)
        << ", label=\"Z" << k << "\\n"
        << Counted(report.subnets[k - 1].transitions.size(), "transition") << "\"";
    if (options.tooltips) out << ", tooltip=" << NetSubnetTooltip(report, k);
    out << "];\n";
  }
  for (const NetReport::Arcs& arcs : report.arcs) {
    const int t = index.transition_of.at(arcs.transition);
    if (!in_full(index.subnet_of_transition[t])) continue;
    for (const std::string& p : arcs.input) out << "  p" << index.place_of.at(p) << " -> t" << t << ";\n";
    for (const std::string& p : arcs.output) out << "  t" << t << " -> p" << index.place_of.at(p) << ";\n";
  }
  // A box passes tokens to and from the chosen subnets through their places.
  for (std::size_t p = 1; p < index.place_names.size(); ++p) {
    if (!drawn[p]) continue;
    if (boxed(index.output_of[p])) out << "  Z" << index.output_of[p] << " -> p" << p << ";\n";
    if (boxed(index.input_of[p])) out << "  p" << p << " -> Z" << index.input_of[p] << ";\n";
  }
  for (const SubnetGraph::Edge& link : report.links) {
    if (!boxed(link.from) || !boxed(link.to)) continue;
    out << "  Z" << link.from << " -> Z" << link.to;
    if (link.places > 1) out << " [label=\"" << link.places << "\"]";
    out << ";\n";
  }
  const std::size_t hidden_transitions = index.transition_names.size() - 1 - transitions;
  const std::size_t hidden_places = index.place_names.size() - 1 - places;
  if (farther + hidden_transitions + hidden_places != 0) {
    std::vector<std::string> lines;
    if (farther != 0) {
      lines.push_back("left out: " + Counted(farther, "subnet") + " more than " + Counted(depth, "step") + " away");
    }
    lines.push_back("not drawn: " + Counted(hidden_transitions, "transition") + " and " +
                    Counted(hidden_places, "place"));
    const std::string text = DotLines(lines);
    out << "  left_out [shape=note, label=" << text;
    if (options.tooltips) out << ", tooltip=" << text;
    out << "];\n";
  }
  out << "}\n";
}

}  // namespace vantira_dot
