// What must hold of a store once a reader is done with it, checked by
// building the adjacency index from its arc lists. Used after every reader
// test, so a reader that leaves the store inconsistent fails there and not
// later in a report.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "store/adjacency.h"
#include "store/name_index.h"
#include "store/net_store.h"

namespace vantira {

// The first fault found, "" when none. `index` is checked only when the
// reader filled it (the line formats do, PNML keeps ids of its own).
inline std::string StoreFaults(NetStore& s, const NameIndex& index) {
  using Lists = std::vector<std::vector<int32_t>>;
  if (s.m + 1 >= s.maxm || s.n + 1 >= s.maxn) return "no room for the index's sentinel ends";
  if (s.fapt > s.maxapt || s.fatp > s.maxatp) return "arc count past capacity";
  if (s.fnames + NetStore::kNameSlack > s.maxnames) return "names without their readable slack";
  auto name_ok = [&](int32_t offset) {
    return offset >= 0 && offset < s.fnames && offset + std::strlen(s.names.Data() + offset) < std::size_t(s.fnames);
  };
  for (int32_t p = 1; p <= s.m; ++p) {
    if (!name_ok(s.pn[p])) return "place " + std::to_string(p) + " has no stored name";
  }
  for (int32_t t = 1; t <= s.n; ++t) {
    if (!name_ok(s.tn[t])) return "transition " + std::to_string(t) + " has no stored name";
  }
  if (s.netname >= 0 && !name_ok(s.netname)) return "the net's name is not stored";

  // What each half of the index must hold, from the lists.
  Lists inputs(s.n + 2), outputs(s.n + 2), producers(s.m + 2), consumers(s.m + 2);
  for (int32_t k = 0; k < s.fapt; ++k) {
    const int32_t p = s.aptp[k], t = s.aptt[k];
    if (p < 1 || p > s.m || t < 1 || t > s.n) return "place-to-transition arc " + std::to_string(k) + " out of range";
    inputs[t].push_back(p);
    consumers[p].push_back(t);
  }
  for (int32_t k = 0; k < s.fatp; ++k) {
    const int32_t t = s.atpt[k], p = s.atpp[k];
    if (p < 1 || p > s.m || t < 1 || t > s.n) return "transition-to-place arc " + std::to_string(k) + " out of range";
    outputs[t].push_back(p);
    producers[p].push_back(t);
  }
  for (std::vector<int32_t>& list : producers) std::stable_sort(list.begin(), list.end());
  for (std::vector<int32_t>& list : consumers) std::stable_sort(list.begin(), list.end());

  const int32_t entries = CreateIOPT(s);
  if (entries != s.fapt + s.fatp || s.fat != entries) return "the index lost or gained arcs";
  auto range = [](const CArray<int32_t>& a, int32_t from, int32_t to) {
    return std::vector<int32_t>(a.Data() + from, a.Data() + to);
  };
  int32_t last = 0;
  for (int32_t t = 1; t <= s.n; ++t) {
    if (s.tx[t] < last || s.ty[t] < s.tx[t] || s.tx[t + 1] < s.ty[t])
      return "transition ranges decrease at " + std::to_string(t);
    last = s.ty[t];
    if (range(s.at, s.tx[t], s.ty[t]) != inputs[t] || range(s.at, s.ty[t], s.tx[t + 1]) != outputs[t]) {
      return "transition " + std::to_string(t) + " has other places than its arcs";
    }
  }
  last = 0;
  for (int32_t p = 1; p <= s.m; ++p) {
    if (s.px[p] < last || s.py[p] < s.px[p] || s.px[p + 1] < s.py[p])
      return "place ranges decrease at " + std::to_string(p);
    last = s.py[p];
    if (range(s.ap, s.px[p], s.py[p]) != producers[p] || range(s.ap, s.py[p], s.px[p + 1]) != consumers[p]) {
      return "place " + std::to_string(p) + " has other transitions than its arcs";
    }
  }
  if (s.tx[s.n + 1] != entries || s.px[s.m + 1] != entries) return "sentinel ends are not the arc count";

  if (index.places.Count() + index.transitions.Count() == 0) return "";
  if (index.places.Count() != s.m || index.transitions.Count() != s.n) return "index and store differ in size";
  for (int32_t p = 1; p <= s.m; ++p) {
    if (index.places.Find(s.PlaceName(p), HashName(s.PlaceName(p))) != p) return "place name does not round-trip";
  }
  for (int32_t t = 1; t <= s.n; ++t) {
    if (index.transitions.Find(s.TransitionName(t), HashName(s.TransitionName(t))) != t) {
      return "transition name does not round-trip";
    }
  }
  return "";
}

}  // namespace vantira
