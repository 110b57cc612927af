// A JSON report built for the vantira-dot tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "json_report.h"

namespace vantira_dot {

// Subnet k holds `sizes[k - 1]` transitions tK_1, tK_2, ...; each link
// (from, to) is one place "pFROM_TO" from Zfrom to Zto.
inline std::string Json(const std::vector<int>& sizes, const std::vector<std::pair<int, int>>& links,
                        const std::string& labels = "") {
  std::vector<std::vector<std::string>> input(sizes.size()), output(sizes.size());
  std::string graph;
  for (auto [from, to] : links) {
    const std::string p = std::string("p").append(std::to_string(from)) + "_" + std::to_string(to);
    output[from - 1].push_back(p);
    input[to - 1].push_back(p);
    graph += (graph.empty() ? "" : ", ") + std::string("{\"from\": ") + std::to_string(from) +
             ", \"to\": " + std::to_string(to) + ", \"places\": [\"" + p + "\"]}";
  }
  auto list = [](const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "\"" : ", \"") + name + "\"";
    return "[" + text + "]";
  };
  std::string arcs;
  std::string subnets;
  for (std::size_t k = 1; k <= sizes.size(); ++k) {
    std::vector<std::string> transitions;
    for (int i = 1; i <= sizes[k - 1]; ++i) {
      transitions.push_back(std::string("t").append(std::to_string(k)) + "_" + std::to_string(i));
      // The first transition takes every input place, the last gives every output place.
      arcs += (arcs.empty() ? "" : ", ") + std::string("{\"transition\": \"") + transitions.back() +
              "\", \"input\": " + list(i == 1 ? input[k - 1] : std::vector<std::string>{}) +
              ", \"output\": " + list(i == sizes[k - 1] ? output[k - 1] : std::vector<std::string>{}) + "}";
    }
    subnets += (k > 1 ? ", " : "") + std::string("{\"id\": ") + std::to_string(k) +
               ", \"transitions\": " + list(transitions) + ", \"input\": " + list(input[k - 1]) +
               ", \"internal\": [], \"output\": " + list(output[k - 1]) + "}";
  }
  std::string text = "{\"net\": \"n\", \"format\": \"net\", \"places\": " + std::to_string(links.size()) +
                     ", \"transitions\": 0, " + labels + "\"arcs\": [" + arcs + "], \"subnets\": [" + subnets +
                     "], \"graph\": [" + graph + "], \"isolated_places\": []}";
  text.reserve(text.size() + kJsonPadding);
  return text;
}

}  // namespace vantira_dot
