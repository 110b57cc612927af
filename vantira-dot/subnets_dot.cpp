#include <algorithm>
#include <deque>
#include <map>
#include <numeric>
#include <utility>

#include "subnet_graph.h"
#include "tooltips.h"

namespace vantira_dot {

namespace {

std::string SubnetLabel(std::size_t k, int transitions) {
  return DotLines({SubnetName(k), Counted(transitions, "transition")});
}

std::string Tooltip(const SubnetGraph& graph, std::size_t k) {
  auto at = [k](const std::vector<int>& counts) { return k <= counts.size() ? counts[k - 1] : 0; };
  static const std::vector<std::string> kNone;
  return SubnetTooltip(static_cast<int>(k), graph.transitions[k - 1], at(graph.places[0]), at(graph.places[1]),
                       at(graph.places[2]),
                       k <= graph.first_transitions.size() ? graph.first_transitions[k - 1] : kNone);
}

void Open(const SubnetGraph& graph, std::string_view subtitle, std::ostream& out) {
  out << "digraph subnets {\n";
  if (!graph.net_name.empty() || !subtitle.empty()) {
    std::string title = detail::Quoted(graph.net_name);
    if (!subtitle.empty())
      title.insert(title.size() - 1, (graph.net_name.empty() ? "" : "\\n") + std::string(subtitle));
    out << "  label=" << title << ";\n  labelloc=t;\n";
  }
  out << "  node [shape=box];\n";
}

void PutSubnet(const SubnetGraph& graph, std::size_t k, const DrawOptions& options, std::ostream& out) {
  out << "  Z" << k << " [label=" << SubnetLabel(k, graph.transitions[k - 1]);
  if (options.tooltips) out << ", tooltip=" << Tooltip(graph, k);
  out << "];\n";
}

void PutEdge(std::string_view from, std::string_view to, int places, std::ostream& out) {
  out << "  " << from << " -> " << to;
  if (places > 1) out << " [label=\"" << places << "\"]";
  out << ";\n";
}

// Each subnet's owner: itself for the `top` largest, else the large subnet a
// search outwards from all of them (in number order) reaches it from first,
// or 0 where none does.
std::vector<std::size_t> Owners(const SubnetGraph& graph, std::size_t top) {
  const std::size_t count = graph.transitions.size();
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return graph.transitions[a - 1] > graph.transitions[b - 1]; });
  order.resize(std::min(top, count));
  std::sort(order.begin(), order.end());
  std::vector<std::vector<std::size_t>> neighbours(count + 1);
  for (const SubnetGraph::Edge& edge : graph.edges) {
    neighbours[edge.from].push_back(edge.to);
    neighbours[edge.to].push_back(edge.from);
  }
  std::vector<std::size_t> owner(count + 1, 0);
  std::deque<std::size_t> queue;
  for (std::size_t k : order) {
    owner[k] = k;
    queue.push_back(k);
  }
  for (; !queue.empty(); queue.pop_front()) {
    for (std::size_t next : neighbours[queue.front()]) {
      if (owner[next] != 0) continue;
      owner[next] = owner[queue.front()];
      queue.push_back(next);
    }
  }
  return owner;
}

}  // namespace

void WriteDot(const SubnetGraph& graph, std::ostream& out, const DrawOptions& options) {
  Open(graph, "", out);
  for (std::size_t k = 1; k <= graph.transitions.size(); ++k) PutSubnet(graph, k, options, out);
  for (const SubnetGraph::Edge& edge : graph.edges) {
    PutEdge(SubnetName(edge.from), SubnetName(edge.to), edge.places, out);
  }
  out << "}\n";
}

void WriteTopDot(const SubnetGraph& graph, int top, std::ostream& out, const DrawOptions& options) {
  const std::size_t count = graph.transitions.size();
  const std::vector<std::size_t> owner = Owners(graph, static_cast<std::size_t>(top));
  // The node each subnet is drawn as: Zk for a large one, Fk for the fold by
  // Zk, F0 for the fold of those linked to no large one.
  auto node = [&](std::size_t k) {
    std::string name(1, owner[k] == k ? 'Z' : 'F');
    return name.append(std::to_string(owner[k]));
  };
  struct Fold {
    std::vector<std::size_t> subnets;
    int transitions = 0;
  };
  std::map<std::size_t, Fold> folds;  // by owner, 0 last
  std::size_t large = 0;
  for (std::size_t k = 1; k <= count; ++k) {
    if (owner[k] == k) {
      ++large;
      continue;
    }
    Fold& fold = folds[owner[k]];
    fold.subnets.push_back(k);
    fold.transitions += graph.transitions[k - 1];
  }
  Open(graph, large < count ? "the " + std::to_string(large) + " largest of " + Counted(count, "subnet") : "", out);
  for (std::size_t k = 1; k <= count; ++k) {
    if (owner[k] == k) PutSubnet(graph, k, options, out);
  }
  auto put_fold = [&](std::size_t by, const Fold& fold) {
    const std::string text =
        Counted(fold.subnets.size(), "small subnet") + ", " + Counted(fold.transitions, "transition");
    out << "  F" << by << " [label=\"" << text << (by == 0 ? "\\nlinked to none of these" : "")
        << "\", style=\"dashed,rounded\"";
    if (options.tooltips) {
      std::string numbers;
      for (std::size_t i = 0; i < fold.subnets.size() && i < 10; ++i) {
        numbers.append(i == 0 ? "" : ", ").append(SubnetName(fold.subnets[i]));
      }
      if (fold.subnets.size() > 10) numbers += ", ...";
      out << ", tooltip="
          << DotLines({text, by == 0 ? "linked to none of the largest" : "nearest to " + SubnetName(by), numbers});
    }
    out << "];\n";
  };
  for (const auto& [by, fold] : folds) {
    if (by != 0) put_fold(by, fold);
  }
  if (folds.contains(0)) put_fold(0, folds[0]);
  // Links between the same two nodes become one, in the order first met.
  std::vector<std::pair<std::string, std::string>> order;
  std::map<std::pair<std::string, std::string>, int> places;
  for (const SubnetGraph::Edge& edge : graph.edges) {
    std::pair<std::string, std::string> ends{node(edge.from), node(edge.to)};
    if (ends.first == ends.second) continue;
    auto [at, added] = places.emplace(ends, 0);
    if (added) order.push_back(ends);
    at->second += edge.places;
  }
  for (const auto& ends : order) PutEdge(ends.first, ends.second, places[ends], out);
  out << "}\n";
}

}  // namespace vantira_dot
