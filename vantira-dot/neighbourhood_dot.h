// vantira-dot --subnet: a few subnets of a large net and what lies around them.
#pragma once

#include <ostream>
#include <vector>

#include "json_report.h"
#include "subnet_graph.h"

namespace vantira_dot {

// Draws the `chosen` subnets as --net draws them (clusters, places, arcs),
// and each subnet within `depth` steps of them on the graph of subnets as
// one box, joined to the places it passes tokens through with the chosen
// ones and to the other boxes it is linked to; one note tells what was left
// out. Throws ReportError when a chosen subnet is not in the report, or when
// the arcs and the subnets do not agree.
void WriteSubnetsDot(const NetReport& report, const std::vector<int>& chosen, int depth, std::ostream& out,
                     const DrawOptions& options = {});

}  // namespace vantira_dot
