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
#include "report_json.h"

namespace vantira_dot {
namespace {

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

// What vantira-dot draws and refuses, byte for byte, is the e2e_dot_cases
// folders', and its drawings read back with gvpr e2e_dot's; here, a property
// of the colours that no single drawing shows.
TEST(NetDot, NeighboursGetDifferentColoursAndFewSubnetsAllDiffer) {
  // Z1 is joined to all of Z2..Z14, and Z2..Z14 in a ring: more subnets
  // than colours, but no two joined subnets alike.
  const int count = 14;
  std::vector<std::pair<int, int>> links;
  for (int k = 2; k <= count; ++k) {
    links.emplace_back(1, k);
    links.emplace_back(k, k == count ? 2 : k + 1);
  }
  std::map<int, std::string> colours = ClusterColours(Draw(Json(std::vector<int>(count, 1), links)));
  ASSERT_EQ(colours.size(), static_cast<std::size_t>(count));
  for (auto [from, to] : links) EXPECT_NE(colours[from], colours[to]) << from << " " << to;
  // Four unjoined subnets: four colours.
  colours = ClusterColours(Draw(Json({1, 1, 1, 1}, {})));
  EXPECT_EQ(std::set<std::string>({colours[1], colours[2], colours[3], colours[4]}).size(), 4u);
}

}  // namespace
}  // namespace vantira_dot
