#include "semiflows/net_system.h"

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

namespace vantira {

namespace {

struct Entry {
  int32_t variable;
  int32_t equation;
  int64_t change;
};

// The entries of C, one per (variable, equation) pair with a nonzero sum, in
// variable order, then equation order. Arcs may repeat a pair: a drawing's
// repeated edges add up, and a loop (p -> t -> p) cancels.
std::vector<Entry> Entries(const NetStore& store, const NetValues& values, bool by_place) {
  std::vector<Entry> entries;
  entries.reserve(values.arcs.size());
  for (const WeightedArc& arc : values.arcs) {
    const int64_t change = arc.output ? arc.weight : -arc.weight;
    entries.push_back(by_place ? Entry{arc.place, arc.transition, change} : Entry{arc.transition, arc.place, change});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.variable != b.variable ? a.variable < b.variable : a.equation < b.equation;
  });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries.size();) {
    Entry sum = entries[i];
    const bool input = sum.change < 0;  // past 64 bits, the sum's sign says nothing
    bool overflow = false;
    for (++i; i < entries.size() && entries[i].variable == sum.variable && entries[i].equation == sum.equation; ++i) {
      overflow |= __builtin_add_overflow(sum.change, entries[i].change, &sum.change);
    }
    // -2^63 has no opposite in 64 bits, and the solver negates coefficients.
    if (overflow || sum.change == INT64_MIN) {
      const std::string_view p = store.PlaceName(by_place ? sum.variable : sum.equation);
      const std::string_view t = store.TransitionName(by_place ? sum.equation : sum.variable);
      throw MakeFailure(kExitBadInput,
                        std::string("weight too large: ").append(input ? p : t).append(" -> ").append(input ? t : p))
          .Because("the weights of the edges between them add up past 2^63 - 1");
    }
    if (sum.change != 0) entries[kept++] = sum;
  }
  entries.resize(kept);
  return entries;
}

SparseSystem Compress(const std::vector<Entry>& entries, int32_t variables, int32_t equations, int32_t blocks) {
  SparseSystem system;
  system.variables = variables;
  system.equations = equations;
  system.blocks = blocks;
  system.start.assign(static_cast<std::size_t>(variables) + 1, 0);
  system.equation.reserve(entries.size());
  system.coefficient.reserve(entries.size());
  for (const Entry& e : entries) {
    ++system.start[static_cast<std::size_t>(e.variable)];  // variable v is number v+1 here
    system.equation.push_back(e.equation - 1);
    system.coefficient.push_back(e.change);
  }
  for (std::size_t v = 1; v < system.start.size(); ++v) system.start[v] += system.start[v - 1];
  return system;
}

// Each transition's subnet, transition t at t-1.
std::vector<int32_t> TransitionBlocks(const SubnetMap& map, int32_t n) {
  std::vector<int32_t> blocks(static_cast<std::size_t>(n));
  for (int32_t t = 1; t <= n; ++t) blocks[static_cast<std::size_t>(t - 1)] = map.SubNet[t];
  return blocks;
}

// The subnet place p is internal to, else the one it feeds, else the one
// that feeds it; 0 for none.
int32_t PlaceBlock(const SubnetMap& map, int32_t p) {
  return map.SQ[p] != 0 ? map.SQ[p] : (map.SX[p] != 0 ? map.SX[p] : map.SY[p]);
}

}  // namespace

SparseSystem PlaceSystem(const NetStore& store, const NetValues& values, const SubnetMap& map) {
  SparseSystem system = Compress(Entries(store, values, true), store.m, store.n, map.iSubNet);
  system.equation_block = TransitionBlocks(map, store.n);
  system.variable_block_a.resize(static_cast<std::size_t>(store.m));
  system.variable_block_b.resize(static_cast<std::size_t>(store.m));
  for (int32_t p = 1; p <= store.m; ++p) {
    const auto v = static_cast<std::size_t>(p - 1);
    system.variable_block_a[v] = PlaceBlock(map, p);
    // A place fed by one subnet and feeding another is in both.
    if (map.SQ[p] == 0 && map.SX[p] != 0) system.variable_block_b[v] = map.SY[p];
  }
  return system;
}

SparseSystem TransitionSystem(const NetStore& store, const NetValues& values, const SubnetMap& map) {
  SparseSystem system = Compress(Entries(store, values, false), store.n, store.m, map.iSubNet);
  system.equation_block.resize(static_cast<std::size_t>(store.m));
  for (int32_t p = 1; p <= store.m; ++p) system.equation_block[static_cast<std::size_t>(p - 1)] = PlaceBlock(map, p);
  system.variable_block_a = TransitionBlocks(map, store.n);
  system.variable_block_b.assign(static_cast<std::size_t>(store.n), 0);
  return system;
}

}  // namespace vantira
