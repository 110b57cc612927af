// The drawings made for large nets: --top, --subnet, and what --tooltips and
// --labels add to every drawing.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "json_report.h"
#include "neighbourhood_dot.h"
#include "net_dot.h"
#include "options.h"
#include "report_json.h"
#include "subnet_graph.h"

namespace vantira_dot {
namespace {

std::string Top(const std::string& json, int top, const DrawOptions& options = {}) {
  std::ostringstream out;
  WriteTopDot(ReadJsonGraph(json), top, out, options);
  return out.str();
}

std::string Part(const std::string& json, const std::vector<int>& chosen, int depth, const DrawOptions& options = {}) {
  std::ostringstream out;
  WriteSubnetsDot(ReadJsonNet(json), chosen, depth, out, options);
  return out.str();
}

// The names of the node statements, in order.
std::vector<std::string> Nodes(const std::string& dot) {
  std::vector<std::string> nodes;
  const std::regex statement("\\n +(\\w+) \\[");
  for (std::sregex_iterator i(dot.begin(), dot.end(), statement), end; i != end; ++i) {
    if ((*i)[1] != "node" && (*i)[1] != "edge") nodes.push_back((*i)[1]);
  }
  return nodes;
}

bool Has(const std::string& dot, const std::string& text) { return dot.find(text) != std::string::npos; }

TEST(TopDot, FoldsEachSmallSubnetIntoItsNearestLargeOneAndAddsUpTheirLinks) {
  // Z2 and Z5 are the largest; Z1 and Z3 lie next to Z2, Z4 next to Z5 and
  // two steps from Z2, Z6 and Z7 only next to each other.
  const std::string json = Json({1, 5, 1, 2, 4, 1, 1}, {{1, 2}, {3, 2}, {3, 4}, {4, 5}, {5, 4}, {6, 7}, {1, 3}});
  const std::string dot = Top(json, 2);
  EXPECT_EQ(Nodes(dot), (std::vector<std::string>{"Z2", "Z5", "F2", "F5", "F0"})) << dot;
  EXPECT_TRUE(Has(dot, "label=\"n\\nthe 2 largest of 7 subnets\";")) << dot;
  EXPECT_TRUE(Has(dot, "  F2 [label=\"2 small subnets, 2 transitions\", style=\"dashed,rounded\"];\n")) << dot;
  EXPECT_TRUE(Has(dot, "  F5 [label=\"1 small subnet, 2 transitions\", style=\"dashed,rounded\"];\n")) << dot;
  EXPECT_TRUE(Has(dot, "  F0 [label=\"2 small subnets, 2 transitions\\nlinked to none of these\"")) << dot;
  // Z1 -> Z2 and Z3 -> Z2 become one edge of two places; Z1 -> Z3 lies
  // inside the fold and is dropped, as is Z6 -> Z7.
  const std::string edges = dot.substr(dot.find("F0 ["));
  EXPECT_EQ(edges.substr(edges.find('\n') + 1),
            "  F2 -> Z2 [label=\"2\"];\n  F2 -> F5;\n  F5 -> Z5;\n  Z5 -> F5;\n}\n");
  // Equal sizes: the lower number is the larger; all subnets: no fold.
  EXPECT_EQ(Nodes(Top(Json({3, 3, 3}, {{1, 2}, {2, 3}}), 1)), (std::vector<std::string>{"Z1", "F1"}));
  const std::string all = Top(json, 7);
  EXPECT_EQ(Nodes(all).size(), 7u);
  std::ostringstream plain;
  WriteDot(ReadJsonGraph(json), plain);
  EXPECT_EQ(all, plain.str()) << "--top as large as the net draws the graph of subnets";
}

TEST(SubnetsDot, DrawsTheChosenInFullTheirNeighboursAsBoxesAndNotesTheRest) {
  // A chain Z1 -> Z2 -> Z3 -> Z4 -> Z5 and Z6 alone.
  const std::string json = Json({1, 2, 1, 1, 1, 1}, {{1, 2}, {2, 3}, {3, 4}, {4, 5}});
  std::string dot = Part(json, {2}, 1);
  EXPECT_EQ(Nodes(dot), (std::vector<std::string>{"t2", "t3", "p1", "p2", "Z1", "Z3", "left_out"})) << dot;
  EXPECT_TRUE(Has(dot, "subgraph cluster_Z2 {")) << dot;
  EXPECT_FALSE(Has(dot, "cluster_Z1")) << dot;
  // Boxes join the places they share with Z2.
  EXPECT_TRUE(Has(dot, "  Z1 -> p1;\n  p2 -> Z3;\n")) << dot;
  EXPECT_TRUE(Has(dot,
                  "  left_out [shape=note, label=\"left out: 3 subnets more than 1 step away\\n"
                  "not drawn: 5 transitions and 2 places\"];\n"))
      << dot;
  // Two steps: Z4 becomes a box, linked to the box Z3; several chosen
  // subnets, given twice, are drawn once each.
  dot = Part(json, {2, 1, 2}, 2);
  EXPECT_EQ(Nodes(dot), (std::vector<std::string>{"t1", "t2", "t3", "p1", "p2", "Z3", "Z4", "left_out"})) << dot;
  EXPECT_TRUE(Has(dot, "  Z3 -> Z4;\n")) << dot;
  EXPECT_TRUE(Has(dot, "label=\"left out: 2 subnets more than 2 steps away\\nnot drawn: 4 transitions and 2 places\""))
      << dot;
  // Depth 0 leaves the neighbours out; everything chosen leaves no note.
  EXPECT_EQ(Nodes(Part(json, {6}, 0)).back(), "left_out");
  EXPECT_FALSE(Has(Part(Json({1}, {}), {1}, 3), "left_out"));
  // A subnet that is not there is refused in e2e_large_pictures.
}

TEST(Tooltips, EveryNodeAndClusterHasOneAndLabelsReplaceOnlyWhatNodesShow) {
  const std::string json =
      Json({2, 1, 1}, {{1, 2}, {2, 3}}, "\"labels\": {\"t1_1\": \"Check \\\"order\\\"\", \"p1_2\": \"ready\"}, ");
  const DrawOptions both{true, true};
  for (const std::string& dot : {Part(json, {2}, 1, both), Top(json, 1, both), Top(json, 3, both)}) {
    // Every node statement, and every cluster before its first node, carries a tooltip.
    std::istringstream lines(dot);
    bool cluster_open = false;
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("  subgraph cluster_")) cluster_open = true;
      if (cluster_open && line.starts_with("    tooltip=")) cluster_open = false;
      std::smatch node;
      if (!std::regex_search(line, node, std::regex("^ +(\\w+) \\[")) || node[1] == "node" || node[1] == "edge")
        continue;
      EXPECT_FALSE(cluster_open) << "a cluster without its tooltip before " << line;
      EXPECT_TRUE(Has(line, ", tooltip=\"")) << line;
    }
  }
  std::ostringstream net;
  WriteNetDot(ReadJsonNet(json), net, both);
  const std::string dot = net.str();
  EXPECT_TRUE(Has(dot,
                  "    tooltip=\"Z1: 2 transitions\\nplaces: 0 input (X), 0 internal (Q), 1 output (Y)\\n"
                  "t1_1, t1_2\";\n"))
      << dot;
  EXPECT_TRUE(Has(dot, "label=\"Check \\\"order\\\"\", tooltip=\"transition t1_1\\nin Z1\"")) << dot;
  EXPECT_TRUE(Has(dot, "label=\"ready\", tooltip=\"place p1_2\\ninput (X) of Z2\\noutput (Y) of Z1\"")) << dot;
  EXPECT_TRUE(Has(dot, "label=\"t1_2\"")) << "a node without a label shows its id: " << dot;
  // A subnet's first transitions: five, then "...".
  std::ostringstream graph;
  WriteDot(ReadJsonGraph(Json({7}, {})), graph, both);
  EXPECT_TRUE(Has(graph.str(), "\\nt1_1, t1_2, t1_3, t1_4, t1_5, ...\"]")) << graph.str();
  // Without the options, nothing changes.
  std::ostringstream plain;
  WriteNetDot(ReadJsonNet(json), plain);
  EXPECT_FALSE(Has(plain.str(), "tooltip") || Has(plain.str(), "ready")) << plain.str();
}

TEST(Options, RefusesWhatItCannotDrawWithTheReason) {
  const std::vector<std::pair<std::vector<std::string_view>, std::string>> rows = {
      {{"--subnet", "3,7", "--depth=2", "--labels", "r"}, "ok"},
      {{"--top", "30", "--tooltips"}, "ok"},
      {{"--subnet"},
       "*** missing value of --subnet / --subnet takes subnet numbers from 1, such as --subnet 3 or --subnet 3,7"},
      {{"--subnet", "3,,7"},
       "*** wrong value of --subnet: 3,,7 / --subnet takes subnet numbers from 1, such as --subnet 3 or --subnet 3,7"},
      {{"--subnet=0"},
       "*** wrong value of --subnet: 0 / --subnet takes subnet numbers from 1, such as --subnet 3 or --subnet 3,7"},
      {{"--subnet", "1", "--depth", "-1"},
       "*** wrong value of --depth: -1 / --depth takes a number of steps from 0, such as --depth 2"},
      {{"--top", "0"}, "*** wrong value of --top: 0 / --top takes a number of subnets from 1, such as --top 30"},
      {{"--top", "99999999999"},
       "*** wrong value of --top: 99999999999 / --top takes a number of subnets from 1, such as --top 30"},
      {{"--top", "3", "--net"},
       "*** --top does not go with --net or --subnet / --top draws the graph of subnets; --net and --subnet draw the "
       "net"},
      {{"--depth", "2"},
       "*** --depth goes with --subnet / --depth D tells how far around the subnets of --subnet to draw"},
  };
  for (const auto& [args, expected] : rows) {
    std::string got = "ok";
    try {
      const Options options = ScanOptions(args);
      if (!options.subnets.empty()) {
        EXPECT_EQ(options.subnets, (std::vector<int>{3, 7}));
      }
    } catch (const ReportError& error) {
      EXPECT_EQ(error.status, 4);
      got = error.message + " / " + error.reason;
    }
    EXPECT_EQ(got, expected) << args[0];
  }
}

}  // namespace
}  // namespace vantira_dot
