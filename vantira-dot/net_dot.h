// vantira-dot --net: the whole net of a full JSON report as Graphviz DOT,
// every subnet a cluster of its own colour.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "json_report.h"

namespace vantira_dot {

// A DOT string for any UTF-8 name: quoted, '"' and '\' escaped, control
// characters (C0, DEL and C1) written as \xHH so that none of them breaks
// or hides a label.
std::string DotString(std::string_view name);

// Subnet k as cluster_Zk labelled Zk, holding its transitions (boxes) and
// internal places (circles); the places that subnets pass tokens through,
// those that are only an input or only an output place, and the places
// without arcs (dashed) outside; one edge per arc. Subnets joined in the
// graph of subnets get different colours while the palette lasts. Throws
// ReportError when the arcs name a node the subnets do not hold.
void WriteNetDot(const NetReport& report, std::ostream& out);

}  // namespace vantira_dot
