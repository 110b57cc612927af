#include "planners/pnml_plan.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "planners/nupn_plan.h"

namespace vantira {

namespace {

// The subnets whose files keep an element: a transition's, or those a place
// is an input, internal or output place of (at most two: a place internal to
// a subnet is nothing else).
void AddSubnets(const PnmlLayout::Element& element, const SubnetMap& map, std::vector<int32_t>& subnets) {
  if (element.follows < 0) {
    subnets.push_back(map.SubNet[-element.follows]);
    return;
  }
  for (int32_t subnet : {map.SX[element.follows], map.SQ[element.follows], map.SY[element.follows]}) {
    if (subnet != 0) subnets.push_back(subnet);
  }
}

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where "_zK" goes into the name text: after the last byte of its raw
// content that is not blank, or at the content's start.
std::size_t NameMark(std::string_view text, const PnmlLayout& layout) {
  std::size_t at = layout.name_end;
  while (at > layout.name_begin && IsBlankByte(text[at - 1])) --at;
  return at;
}

}  // namespace

void PlanPNML(std::string_view text, const PnmlLayout& layout, const SubnetMap& map, SubnetPlan& plan) {
  std::size_t done = 0;
  // Bytes up to `to` that no element takes; gaps between neighbouring cuts
  // are mostly empty and give no piece, so every file does not pay for them.
  auto keep_to = [&](std::size_t to) {
    if (to > done) {
      plan.AddCommon(text.substr(done, to - done));
      plan.NextLine();
    }
    done = to;
  };
  bool name_pending = layout.has_name_text;
  const std::size_t mark = name_pending ? NameMark(text, layout) : 0;
  auto put_name_number = [&] {
    keep_to(mark);
    if (layout.name_empty_tag) {
      plan.AddCommon(">_z", true, "</text>");
      done = mark + 2;  // past the "/>"
    } else {
      plan.AddCommon("_z", true);
    }
    plan.NextLine();
    name_pending = false;
  };

  // Each file holds the NUPN block cut down to its own places, or none
  // when the net's block is no tree of units over its places.
  std::optional<NupnBlocks> nupn;
  if (!layout.nupn_cuts.empty() && layout.nupn_fault.empty()) nupn.emplace(layout, map);
  std::size_t next_block = 0;
  auto put_blocks_before = [&](std::size_t to) {
    while (next_block < layout.nupn_cuts.size() && layout.nupn_cuts[next_block].first < to) {
      const auto [begin, end] = layout.nupn_cuts[next_block++];
      if (name_pending && mark <= begin) put_name_number();
      keep_to(std::max<std::size_t>(begin, done));
      if (nupn) {
        for (int32_t k = 1; k <= map.iSubNet; ++k) plan.AddFor(k, plan.Keep(nupn->Block(k)));
      }
      plan.NextLine();
      done = std::max<std::size_t>(end, done);
    }
  };

  const std::vector<PnmlLayout::Element>& elements = layout.elements;
  std::vector<int32_t> subnets;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const std::size_t from = elements[i].begin;
    const std::size_t to = elements[i].end;
    put_blocks_before(from);
    // The name text lies outside every node and arc, so never inside a cut.
    if (name_pending && mark <= from) put_name_number();
    keep_to(from);
    // Elements that an entity's replacement text holds all lie at the
    // entity reference, which cannot be split: it goes to every file that
    // keeps one of them.
    std::size_t last = i;
    while (last + 1 < elements.size() && elements[last + 1].begin == from) ++last;
    subnets.clear();
    for (std::size_t j = i; j <= last; ++j) AddSubnets(elements[j], map, subnets);
    if (last > i) {
      std::sort(subnets.begin(), subnets.end());
      subnets.erase(std::unique(subnets.begin(), subnets.end()), subnets.end());
    }
    for (int32_t subnet : subnets) plan.AddFor(subnet, text.substr(from, to - from));
    plan.NextLine();
    done = to;
    i = last;
  }
  put_blocks_before(text.size() + 1);
  if (name_pending) put_name_number();
  keep_to(text.size());
}

}  // namespace vantira
