#include "analysis/token_net.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "base/failure.h"

namespace vantira {

namespace {

struct Arc {
  int32_t place;
  int32_t transition;
  bool output;
  int64_t weight;
};

// Groups `items` by key(item) in 0..keys-1 (counting sort, stable), giving
// the flat list and the start of every group (keys + 1 entries).
template <typename Key, typename Value>
void Group(const std::vector<Arc>& arcs, int32_t keys, Key key, Value value, std::vector<Weighted>& flat,
           std::vector<int64_t>& start) {
  start.assign(static_cast<std::size_t>(keys) + 2, 0);
  for (const Arc& a : arcs) ++start[static_cast<std::size_t>(key(a)) + 1];
  for (std::size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
  std::vector<int64_t> next(start.begin(), start.end() - 1);
  flat.resize(static_cast<std::size_t>(start.back()));
  for (const Arc& a : arcs) flat[static_cast<std::size_t>(next[static_cast<std::size_t>(key(a))]++)] = value(a);
}

}  // namespace

TokenNet::TokenNet(const NetStore& store, const NetValues& values) : m_(store.m), n_(store.n) {
  const int32_t m = m_;
  const int32_t n = n_;
  marking_.assign(static_cast<std::size_t>(m) + 1, 0);
  for (std::size_t p = 1; p < values.marking.size() && p <= static_cast<std::size_t>(m); ++p) {
    marking_[p] = values.marking[p];
  }
  std::vector<Arc> arcs;
  arcs.reserve(values.arcs.size());
  for (const WeightedArc& a : values.arcs) arcs.push_back({a.place, a.transition, a.output, a.weight});
  std::sort(arcs.begin(), arcs.end(), [](const Arc& a, const Arc& b) {
    return std::tie(a.place, a.transition, a.output) < std::tie(b.place, b.transition, b.output);
  });
  // Repeats add up, as the incidence does.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < arcs.size(); ++i) {
    if (kept > 0 && arcs[kept - 1].place == arcs[i].place && arcs[kept - 1].transition == arcs[i].transition &&
        arcs[kept - 1].output == arcs[i].output) {
      if (__builtin_add_overflow(arcs[kept - 1].weight, arcs[i].weight, &arcs[kept - 1].weight)) {
        const std::string p(store.PlaceName(arcs[i].place));
        const std::string t(store.TransitionName(arcs[i].transition));
        throw MakeFailure(kExitBadInput, "weight too large: " + (arcs[i].output ? t + " -> " + p : p + " -> " + t))
            .Because("the weights of the edges between them add up past 2^63 - 1");
      }
      continue;
    }
    arcs[kept++] = arcs[i];
  }
  arcs.resize(kept);

  std::vector<Arc> inputs, outputs;
  for (const Arc& a : arcs) (a.output ? outputs : inputs).push_back(a);
  auto by_t = [](const Arc& a) { return a.transition; };
  auto by_p = [](const Arc& a) { return a.place; };
  auto place = [](const Arc& a) { return Weighted{a.place, a.weight}; };
  auto transition = [](const Arc& a) { return Weighted{a.transition, a.weight}; };
  // Sorted by place, so every transition's lists come out in place order.
  Group(inputs, n, by_t, place, t_in_, t_start_);
  Group(outputs, n, by_t, place, t_out_, t_out_start_);
  std::vector<Arc> by_transition = inputs;
  std::stable_sort(by_transition.begin(), by_transition.end(),
                   [](const Arc& a, const Arc& b) { return a.transition < b.transition; });
  Group(by_transition, m, by_p, transition, p_out_, p_out_start_);
  by_transition = outputs;
  std::stable_sort(by_transition.begin(), by_transition.end(),
                   [](const Arc& a, const Arc& b) { return a.transition < b.transition; });
  Group(by_transition, m, by_p, transition, p_in_, p_start_);

  // C[p][t]: output weight less input weight; a loop of equal weights is 0.
  std::vector<Arc> entries;
  for (std::size_t i = 0; i < arcs.size();) {
    Arc sum{arcs[i].place, arcs[i].transition, true, 0};
    for (; i < arcs.size() && arcs[i].place == sum.place && arcs[i].transition == sum.transition; ++i) {
      // At most one input and one output weight, each below 2^63: the
      // difference fits.
      sum.weight += arcs[i].output ? arcs[i].weight : -arcs[i].weight;
    }
    if (sum.weight != 0) entries.push_back(sum);
  }
  Group(entries, m, by_p, transition, row_, row_start_);
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Arc& a, const Arc& b) { return a.transition < b.transition; });
  Group(entries, n, by_t, place, column_, column_start_);
}

}  // namespace vantira
