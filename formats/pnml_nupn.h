// The reading of a PNML net's NUPN block (`toolspecific` of the tool
// "nupn"): its size, its structure and the units, each with its places and
// its sub-units, for the subnet files to cut down. Only the reading for the
// subnet files looks at it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/net_layout.h"

namespace vantira {

class NupnReading {
 public:
  // The block's start tag, [tag_begin, tag_end) of `text`.
  void Open(std::string_view text, uint64_t tag_begin, uint64_t tag_end);
  // Elements and text inside the block; Depth() is 0 when the next end tag
  // closes the block itself.
  void Start(std::string_view name, const char** atts);
  void End();
  void Text(std::string_view text);
  int32_t Depth() const { return depth_; }
  // The block's end tag ends at `end`.
  void Close(std::string_view text, uint64_t end);

  // Numbers the units and finds their places once the document has ended;
  // `place_of` gives a place id's number, 0 for an id that names no place.
  // A block that is no tree of units over the m places, or a second block,
  // leaves the reason in `layout.nupn_fault`.
  void Finish(int32_t m, const std::function<int32_t(std::string_view)>& place_of, NetLayout& layout);

 private:
  struct Unit {
    std::string id;
    std::string places;    // the ids, apart by blanks
    std::string subunits;  // the same
  };
  void Fault(std::string why) {
    if (fault_.empty()) fault_ = std::move(why);
  }

  int32_t blocks_ = 0;
  uint64_t tag_begin_ = 0;  // the start tag of the block read now
  uint64_t tag_end_ = 0;
  int32_t depth_ = 0;
  bool in_structure_ = false;
  std::string* text_ = nullptr;  // the places or sub-units read now
  std::string root_;
  std::vector<Unit> units_;
  std::string fault_;
  NetLayout::Nupn nupn_;
  std::vector<std::pair<uint64_t, uint64_t>> cuts_;
};

}  // namespace vantira
