// vantira-dot --net: the whole net of a full JSON report as Graphviz DOT,
// every subnet a cluster of its own colour.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "json_report.h"
#include "net_index.h"

namespace vantira_dot {

// A DOT string for any UTF-8 name: quoted, '"' and '\' escaped, control
// characters (C0, DEL and C1) written as \xHH so that none of them breaks
// or hides a label.
std::string DotString(std::string_view name);

// The colour of each subnet (an index into the palette), by subnet number - 1.
std::vector<int> ColourSubnets(std::size_t subnets, const std::vector<SubnetGraph::Edge>& links);

// Palette colour `colour` mixed with `white` parts of white out of 100, as a DOT string.
std::string SubnetColour(int colour, int white);

// What a place or transition shows: its label with --labels when it has one, else its id.
std::string NodeText(const NetReport& report, std::string_view id, const DrawOptions& options);

// The pieces of the drawing of a net, `nodes` its number of nodes:
void WriteNetHead(const NetReport& report, std::size_t nodes, std::ostream& out);
void WriteSubnetCluster(const NetReport& report, const NetIndex& index, std::size_t k, int colour,
                        const DrawOptions& options, std::ostream& out);
// A place outside the clusters (dashed when it has no arcs).
void WritePlace(const NetReport& report, const NetIndex& index, std::size_t p, const DrawOptions& options,
                std::ostream& out);
std::string NetSubnetTooltip(const NetReport& report, std::size_t k);

// Subnet k as cluster_Zk labelled Zk, holding its transitions (boxes) and
// internal places (circles); the places that subnets pass tokens through,
// those that are only an input or only an output place, and the places
// without arcs (dashed) outside; one edge per arc. Subnets joined in the
// graph of subnets get different colours while the palette lasts. Throws
// ReportError when the arcs name a node the subnets do not hold.
void WriteNetDot(const NetReport& report, std::ostream& out, const DrawOptions& options = {});

}  // namespace vantira_dot
