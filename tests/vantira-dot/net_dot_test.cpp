#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "json_report.h"
#include "net_dot.h"

namespace vantira_dot {
namespace {

std::string Json(const std::string& arcs, const std::string& subnets, const std::string& graph) {
  std::string text = "{\"net\": \"n\", \"format\": \"net\", \"places\": 0, \"transitions\": 0, " + arcs +
                     "\"subnets\": [" + subnets + "], \"graph\": [" + graph + "], \"isolated_places\": []}";
  text.reserve(text.size() + kJsonPadding);
  return text;
}

std::string Draw(const std::string& json) {
  std::ostringstream out;
  WriteNetDot(ReadJsonNet(json), out);
  return out.str();
}

// Subnet k -> its cluster's colour.
std::map<int, std::string> ClusterColours(const std::string& dot) {
  std::map<int, std::string> colours;
  const std::regex cluster("cluster_Z(\\d+) \\{\\n[^}]*?\\n    color=\"(#[0-9a-f]{6})\"");
  for (std::sregex_iterator i(dot.begin(), dot.end(), cluster), end; i != end; ++i) {
    colours[std::stoi((*i)[1])] = (*i)[2];
  }
  return colours;
}

// `count` one-transition subnets joined by `links` (from, to).
std::string Subnets(int count, const std::vector<std::pair<int, int>>& links) {
  std::string arcs = "\"arcs\": [";
  std::string subnets;
  for (int k = 1; k <= count; ++k) {
    const std::string t = "\"t" + std::to_string(k) + "\"";
    arcs += (k > 1 ? ", " : "") + std::string("{\"transition\": ") + t + ", \"input\": [], \"output\": []}";
    subnets += (k > 1 ? ", " : "") + std::string("{\"id\": ") + std::to_string(k) + ", \"transitions\": [" + t +
               "], \"input\": [], \"internal\": [], \"output\": []}";
  }
  std::string graph;
  for (auto [from, to] : links) {
    graph += (graph.empty() ? "" : ", ") + std::string("{\"from\": ") + std::to_string(from) +
             ", \"to\": " + std::to_string(to) + ", \"places\": [\"p\"]}";
  }
  return Json(arcs + "], ", subnets, graph);
}

TEST(NetDot, NeighboursGetDifferentColoursAndFewSubnetsAllDiffer) {
  // Z1 is joined to all of Z2..Z14, and Z2..Z14 in a ring: more subnets
  // than colours, but no two joined subnets alike.
  const int count = 14;
  std::vector<std::pair<int, int>> links;
  for (int k = 2; k <= count; ++k) {
    links.emplace_back(1, k);
    links.emplace_back(k, k == count ? 2 : k + 1);
  }
  std::map<int, std::string> colours = ClusterColours(Draw(Subnets(count, links)));
  ASSERT_EQ(colours.size(), static_cast<std::size_t>(count));
  for (auto [from, to] : links) EXPECT_NE(colours[from], colours[to]) << from << " " << to;
  // Four unjoined subnets: four colours.
  colours = ClusterColours(Draw(Subnets(4, {})));
  EXPECT_EQ(std::set<std::string>({colours[1], colours[2], colours[3], colours[4]}).size(), 4u);
}

TEST(NetDot, RefusesArcsTheSubnetsDoNotHold) {
  const std::string z1 = "{\"id\": 1, \"transitions\": [\"t\"], \"input\": [\"p\"], \"internal\": [], \"output\": []}";
  const std::string ok = "\"arcs\": [{\"transition\": \"t\", \"input\": [\"p\"], \"output\": []}], ";
  EXPECT_NE(Draw(Json(ok, z1, "")).find("  p1 -> t1;\n"), std::string::npos);
  for (const std::string& arcs :
       {std::string("\"arcs\": [{\"transition\": \"u\", \"input\": [\"p\"], \"output\": []}], "),
        std::string("\"arcs\": [{\"transition\": \"t\", \"input\": [\"q\"], \"output\": []}], "),
        std::string("\"arcs\": [], ")}) {
    EXPECT_THROW(Draw(Json(arcs, z1, "")), ReportError) << arcs;
  }
  EXPECT_FALSE(ReadJsonNet(Json("", z1, "")).has_arcs);
}

// How names are written for DOT is e2e_dot's: it reads the drawings of nets
// of odd names back with gvpr.

}  // namespace
}  // namespace vantira_dot
