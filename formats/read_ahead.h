// Lines are taken apart a few lines ahead of being entered, and the hash
// slots of their names prefetched, so that the cache misses of the look-ups
// overlap instead of following one another. Taking a line apart looks nothing
// up, so lines are still entered one by one in their order, and every number
// comes out as if each line were read and entered in turn. Before a line is
// entered, the name tables are sized ahead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/input_text.h"
#include "store/name_index.h"

namespace vantira {

template <class Record, std::size_t kAhead>
class ReadAhead {
 public:
  ReadAhead(const TextBlocks& input, NameIndex& index) : planner_(index, input.Size()) {}

  // Reads the lines of one block, in order: `parse(view, record)` takes a
  // line apart, `prefetch(record)` hints its slots, and
  // `apply(record, view, number, offset)` enters it, `number` counting the
  // lines of all blocks from 1, `offset` where it begins in the input.
  template <class Parse, class Prefetch, class Apply>
  void Read(const TextBlock& block, Parse parse, Prefetch prefetch, Apply apply) {
    LineCursor lines(block.text);
    std::size_t filled = 0;
    while (filled < kAhead && lines.Next(views_[filled])) {
      parse(views_[filled], parsed_[filled]);
      prefetch(parsed_[filled]);
      ++filled;
    }
    for (std::size_t i = 0; filled > 0; i = (i + 1) % kAhead, --filled) {
      const uint64_t offset = block.offset + static_cast<uint64_t>(views_[i].data() - block.text.data());
      planner_.At(offset);
      apply(parsed_[i], views_[i], ++lines_, offset);
      if (lines.Next(views_[i])) {
        parse(views_[i], parsed_[i]);
        prefetch(parsed_[i]);
        ++filled;
      }
    }
  }

 private:
  GrowthPlanner planner_;
  std::array<Record, kAhead> parsed_;
  std::array<std::string_view, kAhead> views_;
  uint64_t lines_ = 0;
};

}  // namespace vantira
