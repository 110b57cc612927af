#include "semiflows/net_system.h"

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "base/group_layout.h"

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

SparseSystem Compress(const std::vector<Entry>& entries, int32_t variables, int32_t equations) {
  SparseSystem system;
  system.variables = variables;
  system.equations = equations;
  system.equation.reserve(entries.size());
  system.coefficient.reserve(entries.size());
  // The entries come in variable order: each variable's starts where the last one's ends.
  GroupLayout<int64_t> layout(static_cast<std::size_t>(variables));
  for (const Entry& e : entries) {
    layout.Count(static_cast<std::size_t>(e.variable - 1));  // variable v is number v+1 here
    system.equation.push_back(e.equation - 1);
    system.coefficient.push_back(e.change);
  }
  layout.Close();
  system.start = layout.TakeStarts();
  return system;
}

}  // namespace

SparseSystem PlaceSystem(const NetStore& store, const NetValues& values) {
  return Compress(Entries(store, values, true), store.m, store.n);
}

SparseSystem TransitionSystem(const NetStore& store, const NetValues& values) {
  return Compress(Entries(store, values, false), store.n, store.m);
}

}  // namespace vantira
