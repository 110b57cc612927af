#include "semiflows/support_tree.h"

#include <algorithm>
#include <cstdlib>

namespace vantira {
namespace {

constexpr uint32_t kLeafRows = 8;

bool Holds(std::span<const int32_t> vars, int32_t v) { return std::binary_search(vars.begin(), vars.end(), v); }

}  // namespace

bool SupportTree::Build(std::vector<uint32_t> ids, const Variables& vars, int32_t variables,
                        const std::function<bool()>& late) {
  ids_ = std::move(ids);
  nodes_.clear();
  late_ = late ? &late : nullptr;
  splits_ = 0;
  stopped_ = false;
  std::vector<int64_t> holding(static_cast<std::size_t>(variables), 0);
  for (uint32_t id : ids_)
    for (int32_t v : vars(id)) ++holding[v];
  order_.clear();
  for (int32_t v = 0; v < variables; ++v)
    if (holding[v] > 0 && holding[v] < static_cast<int64_t>(ids_.size())) order_.push_back(v);
  const auto half = static_cast<int64_t>(ids_.size()) / 2;
  std::stable_sort(order_.begin(), order_.end(),
                   [&](int32_t x, int32_t y) { return std::llabs(holding[x] - half) < std::llabs(holding[y] - half); });
  if (!ids_.empty()) Grow(0, static_cast<uint32_t>(ids_.size()), 0, vars);
  late_ = nullptr;
  return !stopped_;
}

uint32_t SupportTree::Grow(uint32_t begin, uint32_t end, std::size_t depth, const Variables& vars) {
  const auto index = static_cast<uint32_t>(nodes_.size());
  nodes_.push_back(Node{-1, begin, end, 0, 0});
  if (end - begin <= kLeafRows) return index;
  for (; depth < order_.size(); ++depth) {
    // A partition costs its rows: the clock is read every million of them.
    if (late_ != nullptr && (splits_ += end - begin) >= (1u << 20)) {
      splits_ = 0;
      stopped_ = stopped_ || (*late_)();
    }
    if (stopped_) return index;
    const int32_t v = order_[depth];
    const auto middle = static_cast<uint32_t>(std::stable_partition(ids_.begin() + begin, ids_.begin() + end,
                                                                    [&](uint32_t id) { return !Holds(vars(id), v); }) -
                                              ids_.begin());
    if (middle == begin || middle == end) continue;  // no split on v here
    const uint32_t without = Grow(begin, middle, depth + 1, vars);
    const uint32_t with = Grow(middle, end, depth + 1, vars);
    nodes_[index].var = v;
    nodes_[index].without = without;
    nodes_[index].with = with;
    return index;
  }
  return index;
}

bool SupportTree::AnyWithin(std::span<const uint32_t> marked, uint32_t stamp, uint32_t a, uint32_t b,
                            const std::function<bool(uint32_t)>& within) const {
  if (nodes_.empty()) return false;
  uint32_t stack[256];
  std::size_t top = 0;
  std::vector<uint32_t> spill;  // only for trees deeper than the stack
  stack[top++] = 0;
  while (top > 0 || !spill.empty()) {
    uint32_t at;
    if (!spill.empty()) {
      at = spill.back();
      spill.pop_back();
    } else {
      at = stack[--top];
    }
    const Node& node = nodes_[at];
    if (node.var < 0) {
      for (uint32_t k = node.begin; k < node.end; ++k) {
        const uint32_t id = ids_[k];
        if (id != a && id != b && within(id)) return true;
      }
      continue;
    }
    for (uint32_t child : {node.without, node.with}) {
      if (child == node.with && marked[node.var] != stamp) continue;  // every row there holds var
      if (top < 256) {
        stack[top++] = child;
      } else {
        spill.push_back(child);
      }
    }
  }
  return false;
}

}  // namespace vantira
