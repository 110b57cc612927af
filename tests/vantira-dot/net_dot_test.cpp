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

TEST(NetDot, RefusesArcsTheSubnetsDoNotHold) {
  // Z1's t1_1 gives p1_2, which Z2's t2_1 takes.
  const std::string json = Json({1, 1}, {{1, 2}});
  const std::size_t arcs = json.find("\"arcs\""), subnets = json.find("\"subnets\"");
  // The first `from`, which is in "arcs", made `to`; padded as the reader needs.
  const auto changed = [&json](std::size_t at, std::size_t size, const std::string& to) {
    std::string text = std::string(json).replace(at, size, to);
    text.reserve(text.size() + kJsonPadding);
    return text;
  };
  const auto first = [&](const std::string& from, const std::string& to) {
    return changed(json.find(from), from.size(), to);
  };
  EXPECT_NE(Draw(changed(0, 0, "")).find("  p1 -> t2;\n"), std::string::npos);
  for (const std::string& wrong :
       {first("\"transition\": \"t2_1\"", "\"transition\": \"u\""),
        first("\"input\": [\"p1_2\"]", "\"input\": [\"q\"]"), changed(arcs, subnets - arcs, "\"arcs\": [], ")}) {
    EXPECT_THROW(Draw(wrong), ReportError) << wrong;
  }
  EXPECT_FALSE(ReadJsonNet(changed(arcs, subnets - arcs, "")).has_arcs);
}

// How names are written for DOT is e2e_dot's: it reads the drawings of nets
// of odd names back with gvpr.

}  // namespace
}  // namespace vantira_dot
