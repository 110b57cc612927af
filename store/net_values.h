// What the semiflows need beyond the arcs the decomposition reads: every
// arc's weight and every place's initial marking. Read only when semiflows
// are asked for, in a pass of its own over the input, so that no other run
// pays for them.
#pragma once

#include <cstdint>
#include <vector>

namespace vantira {

// One arc as it changes a marking: place p loses `weight` tokens when
// transition t fires (`output` false) or gains them (`output` true).
struct WeightedArc {
  int32_t place;
  int32_t transition;
  bool output;
  int64_t weight;
};

struct NetValues {
  // Arcs that move tokens, after the format's rule for repeats: one arc
  // given twice in a net description or a PNML document is one arc with the
  // weight of its first occurrence; every edge of a drawing counts, so
  // repeated edges add up. Test, inhibitor and stopwatch arcs are not here.
  std::vector<WeightedArc> arcs;
  // Initial marking of places 1..m, entry 0 unused; 0 where none is given.
  std::vector<int64_t> marking;
};

}  // namespace vantira
