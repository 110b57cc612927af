#include "formats/pnml_nupn.h"

#include <unordered_map>
#include <utility>

#include "formats/xml_stream.h"

namespace vantira {

namespace {

// Calls `take` with each of the blank-separated words of `list`.
template <class Take>
void ForEachWord(std::string_view list, Take&& take) {
  std::size_t at = 0;
  while (at < list.size()) {
    while (at < list.size() && (list[at] == ' ' || list[at] == '\t' || list[at] == '\r' || list[at] == '\n')) ++at;
    std::size_t end = at;
    while (end < list.size() && list[end] != ' ' && list[end] != '\t' && list[end] != '\r' && list[end] != '\n') ++end;
    if (end > at) take(list.substr(at, end - at));
    at = end;
  }
}

}  // namespace

void NupnReading::Open(std::string_view, uint64_t tag_begin, uint64_t tag_end) {
  depth_ = 0;
  tag_begin_ = tag_begin;
  tag_end_ = tag_end;
  if (tag_end <= tag_begin) Fault("the NUPN block comes from an entity");
  if (++blocks_ > 1) Fault("the net has more than one NUPN block");
}

void NupnReading::Start(std::string_view name, const char** atts) {
  ++depth_;
  if (depth_ == 1 && name == "size") return;
  if (depth_ == 1 && name == "structure") {
    in_structure_ = true;
    const char* root = FindAttribute(atts, "root");
    if (root == nullptr) return Fault("the NUPN structure names no root unit");
    root_ = root;
    return;
  }
  if (depth_ == 2 && in_structure_ && name == "unit") {
    const char* id = FindAttribute(atts, "id");
    if (id == nullptr) return Fault("a NUPN unit has no id");
    units_.push_back(Unit{id, {}, {}});
    return;
  }
  if (depth_ == 3 && !units_.empty() && (name == "places" || name == "subunits")) {
    text_ = name == "places" ? &units_.back().places : &units_.back().subunits;
    return;
  }
  Fault(std::string("the NUPN block holds an element ").append(name));
}

void NupnReading::End() {
  if (depth_ == 3) text_ = nullptr;
  if (depth_ == 1) in_structure_ = false;
  --depth_;
}

void NupnReading::Text(std::string_view text) {
  if (text_ != nullptr) text_->append(text);
}

void NupnReading::Close(std::string_view text, uint64_t end) {
  const NetLayout::Record cut = CutOf(text, tag_begin_, end, 0);
  cuts_.emplace_back(cut.begin, cut.end);
  if (blocks_ > 1) return;
  nupn_.begin = cut.begin;
  nupn_.end = cut.end;
  // The blanks before the start tag go with it when the block has its lines to itself.
  nupn_.start_tag.assign(text.substr(cut.begin, tag_end_ - cut.begin));
  nupn_.line_end = tag_end_ < text.size() && text[tag_end_] == '\r' ? "\r\n" : "\n";
  nupn_.ends_line = cut.end > end;
}

void NupnReading::Finish(int32_t m, const std::function<int32_t(std::string_view)>& place_of, NetLayout& layout) {
  if (blocks_ == 0) return;
  layout.nupn_cuts = std::move(cuts_);
  const auto units = static_cast<int32_t>(units_.size());
  std::unordered_map<std::string_view, int32_t> unit_number;
  for (int32_t u = 0; u < units; ++u) {
    if (!unit_number.emplace(units_[u].id, u).second) Fault("two NUPN units have the id " + units_[u].id);
  }
  NetLayout::Nupn& nupn = nupn_;
  nupn.unit_of_place.assign(static_cast<std::size_t>(m) + 1, -1);
  nupn.rank_in_unit.assign(static_cast<std::size_t>(m) + 1, 0);
  nupn.place_ids.assign(static_cast<std::size_t>(m) + 1, std::string());
  nupn.parent.assign(units_.size(), -2);  // -2: not yet met as a sub-unit
  nupn.rank_in_parent.assign(units_.size(), 0);
  for (int32_t u = 0; u < units && fault_.empty(); ++u) {
    int32_t rank = 0;
    ForEachWord(units_[u].places, [&](std::string_view id) {
      const int32_t p = place_of(id);
      if (p == 0) return Fault(std::string("a NUPN unit names ").append(id).append(", no place of the net"));
      if (nupn.unit_of_place[p] >= 0) return Fault(std::string("two NUPN units hold the place ").append(id));
      nupn.unit_of_place[p] = u;
      nupn.place_ids[p].assign(id);
      nupn.rank_in_unit[p] = rank++;
    });
    rank = 0;
    ForEachWord(units_[u].subunits, [&](std::string_view id) {
      auto found = unit_number.find(id);
      if (found == unit_number.end()) return Fault(std::string("a NUPN sub-unit ").append(id).append(" is no unit"));
      if (nupn.parent[found->second] != -2) return Fault(std::string("the NUPN unit ").append(id).append(" has two parents"));
      nupn.parent[found->second] = u;
      nupn.rank_in_parent[found->second] = rank++;
    });
  }
  auto root = unit_number.find(root_);
  if (root == unit_number.end()) Fault("the NUPN root " + root_ + " is no unit");
  if (fault_.empty()) {
    nupn.root = root->second;
    if (nupn.parent[nupn.root] != -2) Fault("the NUPN root is a sub-unit");
    nupn.parent[nupn.root] = -1;
  }
  for (int32_t u = 0; u < units && fault_.empty(); ++u) {
    if (nupn.parent[u] == -2) Fault("the NUPN unit " + units_[u].id + " is not under the root");
  }
  for (int32_t p = 1; p <= m && fault_.empty(); ++p) {
    if (nupn.unit_of_place[p] < 0) Fault("a place is in no NUPN unit");
  }
  // Every unit has one parent and the root none: the units form a tree
  // unless some of them make a cycle, which no walk up from them leaves.
  if (fault_.empty()) {
    std::vector<uint8_t> state(units_.size(), 0);  // 1: on the walk now, 2: reaches the root
    state[nupn.root] = 2;
    std::vector<int32_t> walk;
    for (int32_t u = 0; u < units && fault_.empty(); ++u) {
      walk.clear();
      int32_t at = u;
      while (state[at] == 0) {
        state[at] = 1;
        walk.push_back(at);
        at = nupn.parent[at];
      }
      if (state[at] == 1) Fault("the NUPN units make a cycle");
      for (int32_t w : walk) state[w] = 2;
    }
  }
  if (!fault_.empty()) {
    layout.nupn_fault = std::move(fault_);
    return;
  }
  nupn.unit_ids.reserve(units_.size());
  for (Unit& unit : units_) nupn.unit_ids.push_back(std::move(unit.id));
  layout.nupn = std::move(nupn);
}

}  // namespace vantira
