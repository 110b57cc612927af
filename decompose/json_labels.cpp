#include "decompose/json_labels.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "decompose/json_text.h"

namespace vantira {

namespace {

struct Shown {
  int32_t node;  // place p as p, transition t as -t
  std::string_view text;
};

// The last label of each node, where it differs from the node's name:
// transitions first, then places, each in number order.
std::vector<Shown> LastLabels(const NetStore& s) {
  const std::vector<NodeLabels::Entry>& entries = s.labels.Entries();
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return entries[a].node < entries[b].node; });
  std::vector<Shown> shown;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const NodeLabels::Entry& entry = entries[order[i]];
    if (i + 1 < order.size() && entries[order[i + 1]].node == entry.node) continue;  // a later one counts
    const std::string_view text = s.labels.Text(entry);
    const std::string_view name = entry.node > 0 ? s.PlaceName(entry.node) : s.TransitionName(-entry.node);
    if (text != name) shown.push_back(Shown{entry.node, text});
  }
  // Transitions came in the order -n .. -1.
  const auto places = std::find_if(shown.begin(), shown.end(), [](const Shown& e) { return e.node > 0; });
  std::reverse(shown.begin(), places);
  return shown;
}

}  // namespace

void WriteJsonLabels(const NetStore& s, Output& out) {
  if (s.labels.Entries().empty()) return;
  const std::vector<Shown> shown = LastLabels(s);
  std::unordered_set<std::string_view> transitions;
  for (const Shown& e : shown) {
    if (e.node < 0) transitions.insert(s.TransitionName(-e.node));
  }
  bool first = true;
  auto put = [&](std::string_view name, std::string_view text) {
    out.Put(first ? "  \"labels\": {\n    " : ",\n    ");
    first = false;
    PutJsonString(name, out);
    out.Put(": ");
    PutJsonString(text, out);
  };
  // Places, then transitions, as the net's numbers go.
  for (const Shown& e : shown) {
    if (e.node > 0 && !transitions.contains(s.PlaceName(e.node))) put(s.PlaceName(e.node), e.text);
  }
  for (const Shown& e : shown) {
    if (e.node < 0) put(s.TransitionName(-e.node), e.text);
  }
  if (!first) out.Put("\n  },\n");
}

}  // namespace vantira
