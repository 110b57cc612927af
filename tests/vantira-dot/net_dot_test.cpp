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

// A full JSON report of `subnets` subnets of one transition tK each; each
// link (from, to) is one place pFROM_TO from Zfrom to Zto.
std::string Json(int subnets, const std::vector<std::pair<int, int>>& links) {
  std::vector<std::string> input(subnets), output(subnets);
  std::string graph;
  for (auto [from, to] : links) {
    const std::string p = "\"p" + std::to_string(from) + "_" + std::to_string(to) + "\"";
    output[from - 1] += (output[from - 1].empty() ? "" : ", ") + p;
    input[to - 1] += (input[to - 1].empty() ? "" : ", ") + p;
    graph += (graph.empty() ? "{\"from\": " : ", {\"from\": ") + std::to_string(from) +
             ", \"to\": " + std::to_string(to) + ", \"places\": [" + p + "]}";
  }
  std::string arcs, list;
  for (int k = 1; k <= subnets; ++k) {
    const std::string t = "\"t" + std::to_string(k) + "\"", in = "[" + input[k - 1] + "]",
                      out = "[" + output[k - 1] + "]";
    arcs += (k > 1 ? ", " : "") + std::string("{\"transition\": ") + t + ", \"input\": " + in + ", \"output\": " + out +
            "}";
    list += (k > 1 ? ", " : "") + std::string("{\"id\": ") + std::to_string(k) + ", \"transitions\": [" + t +
            "], \"input\": " + in + ", \"internal\": [], \"output\": " + out + "}";
  }
  std::string text = "{\"net\": \"n\", \"format\": \"net\", \"places\": " + std::to_string(links.size()) +
                     ", \"transitions\": " + std::to_string(subnets) + ", \"arcs\": [" + arcs + "], \"subnets\": [" +
                     list + "], \"graph\": [" + graph + "], \"isolated_places\": []}";
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
  std::map<int, std::string> colours = ClusterColours(Draw(Json(count, links)));
  ASSERT_EQ(colours.size(), static_cast<std::size_t>(count));
  for (auto [from, to] : links) EXPECT_NE(colours[from], colours[to]) << from << " " << to;
  // Four unjoined subnets: four colours.
  colours = ClusterColours(Draw(Json(4, {})));
  EXPECT_EQ(std::set<std::string>({colours[1], colours[2], colours[3], colours[4]}).size(), 4u);
}

}  // namespace
}  // namespace vantira_dot
