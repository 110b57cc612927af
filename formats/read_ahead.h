// Lines are taken apart a few lines ahead of being entered, and the hash
// slots of their names prefetched, so that the cache misses of the look-ups
// overlap instead of following one another. Taking a line apart looks nothing
// up, so lines are still entered one by one in their order, and every number
// comes out as if each line were read and entered in turn. Before a line is
// entered, the name tables are sized ahead and the store's names get room for
// whatever the line may add.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "formats/input_text.h"
#include "store/name_index.h"
#include "store/net_store.h"

namespace vantira {

// `parse(view, record)` takes a line apart, `prefetch(record)` hints its
// slots, and `apply(record, view)` enters it.
template <class Record, std::size_t kAhead, class Parse, class Prefetch, class Apply>
void ReadAhead(std::string_view text, NetStore& store, NameIndex& index, Parse parse, Prefetch prefetch,
               Apply apply) {
  GrowthPlanner planner(index, text);
  std::array<Record, kAhead> parsed;
  std::array<std::string_view, kAhead> views;
  LineCursor lines(text);
  std::size_t filled = 0;
  while (filled < kAhead && lines.Next(views[filled])) {
    parse(views[filled], parsed[filled]);
    prefetch(parsed[filled]);
    ++filled;
  }
  for (std::size_t i = 0; filled > 0; i = (i + 1) % kAhead, --filled) {
    planner.At(views[i].data());
    ExpandNames(store, NameRoomForLine(views[i].size()));
    apply(parsed[i], views[i]);
    if (lines.Next(views[i])) {
      parse(views[i], parsed[i]);
      prefetch(parsed[i]);
      ++filled;
    }
  }
}

}  // namespace vantira
