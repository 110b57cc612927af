// vantira-dot: the nodes of a full JSON report, numbered for DOT and placed
// in their subnets, for the drawings of the net.
#pragma once

#include <string_view>
#include <unordered_map>
#include <vector>

#include "json_report.h"

namespace vantira_dot {

// Node names are t1, t2, ... in transition order (the order of the arcs) and
// p1, p2, ... in the order places first come in the arcs, then the places
// without arcs: short, and safe whatever the net calls its nodes. Views
// into the report, which must outlive the index.
struct NetIndex {
  std::unordered_map<std::string_view, int> transition_of;
  std::unordered_map<std::string_view, int> place_of;
  std::vector<std::string_view> transition_names;  // by node number; [0] unused
  std::vector<std::string_view> place_names;
  std::size_t with_arcs = 1;              // places 1 .. with_arcs - 1 have arcs
  std::vector<int> subnet_of_transition;  // by node number
  // Per place, the subnet it is an input place of, internal to, and an
  // output place of; 0 for none.
  std::vector<int> input_of, internal_of, output_of;
};

// Throws ReportError when the arcs and the subnets do not agree: a
// transition listed twice or in no subnet, a place in two subnets, an arc
// of a place that no subnet lists.
NetIndex IndexNet(const NetReport& report);

}  // namespace vantira_dot
