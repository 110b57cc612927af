// vantira-dot: a report written by `vantira -j`, read with simdjson's On
// Demand API, which walks the document once without building a tree.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "subnet_graph.h"

namespace vantira_dot {

// What the drawing of the net needs; names as JSON strings decode them
// (UTF-8).
struct NetReport {
  std::string net_name;
  struct Subnet {
    std::vector<std::string> transitions;  // in joining order
    std::vector<std::string> input, internal, output;
  };
  std::vector<Subnet> subnets;  // subnets[k - 1] is Zk
  struct Arcs {
    std::string transition;
    std::vector<std::string> input, output;
  };
  bool has_arcs = false;     // a full report; a digest has no "arcs"
  std::vector<Arcs> arcs;    // in transition order
  std::vector<SubnetGraph::Edge> links;  // the graph of subnets
  std::vector<std::string> isolated_places;
  std::unordered_map<std::string, std::string> labels;  // a node's id -> its author's name
};

// `text` holds the whole document, with at least kJsonPadding bytes of
// capacity behind its end (simdjson reads ahead). Throws ReportError when it
// is not JSON or not laid out as vantira writes it.
inline constexpr std::size_t kJsonPadding = 64;

// The graph of subnets alone: counts, and the first transitions' names.
SubnetGraph ReadJsonGraph(const std::string& text);

// Everything, names too; `has_arcs` tells whether the net is there.
NetReport ReadJsonNet(const std::string& text);

}  // namespace vantira_dot
