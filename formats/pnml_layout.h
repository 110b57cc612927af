// Where the parts of a PNML document that its subnet files leave out or
// change lie: the net's node and arc elements, its name text, and its NUPN
// block (the net's units). The reader alone knows the elements; the
// subnet-file planner works on the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantira {

struct PnmlLayout {
  // A place, transition, reference node or arc element of the net, as a
  // file that leaves it out cuts it (see CutOf).
  struct Element {
    uint64_t begin;
    uint64_t end;
    // The element's files follow a place p, given as p, or a transition t,
    // given as -t: a reference node follows the node it stands for, an arc
    // its transition.
    int32_t follows;
    bool arc = false;        // an arc element
    bool reference = false;  // a reference node
  };
  std::vector<Element> elements;  // in document order

  // The raw content of the net's name text, [name_begin, name_end). Written
  // "<text/>", it is empty and name_begin is where the "/>" starts.
  bool has_name_text = false;
  bool name_empty_tag = false;
  uint64_t name_begin = 0;
  uint64_t name_end = 0;

  // The net's units, from a `toolspecific` block of the tool "nupn": a tree
  // of units, each holding some of the places, every place in one unit.
  // Each subnet file holds the tree cut down to its own places.
  struct Nupn {
    uint64_t begin = 0;  // the block, cut as CutOf cuts an element
    uint64_t end = 0;
    std::string start_tag;  // as written, with the blanks before it on its line
    std::string line_end;   // "\n" or "\r\n", as the start tag's line ends
    bool ends_line = false;  // the cut takes the line end after the block
    int32_t root = 0;       // a unit
    std::vector<std::string> unit_ids;
    std::vector<int32_t> parent;          // by unit; -1 for the root
    std::vector<int32_t> rank_in_parent;  // by unit: where its parent lists it
    std::vector<int32_t> unit_of_place;   // by place 1..m (entry 0 unused)
    std::vector<int32_t> rank_in_unit;    // by place: where its unit lists it
    std::vector<std::string> place_ids;   // by place, as its unit names it
  };
  // Every NUPN block of the net, as cut from the document; `nupn` holds the
  // one there is, unless `nupn_fault` says why no subnet file can hold it.
  std::vector<std::pair<uint64_t, uint64_t>> nupn_cuts;
  Nupn nupn;
  std::string nupn_fault;
};

// What a file that leaves out the element [begin, end) (from the "<" of its
// start tag to one past the ">" of its end tag or of "/>") loses: the element
// itself, or, when only blanks (space, tab, CR) precede it on its first line
// and only the line end (LF, CR LF) or the end of the text follows it on its
// last, those whole lines with their line ends. The reader works this out
// while the bytes are still in the cache.
inline PnmlLayout::Element CutOf(std::string_view text, uint64_t begin, uint64_t end, int32_t follows,
                                 bool arc = false, bool reference = false) {
  uint64_t line_start = begin;
  while (line_start > 0 &&
         (text[line_start - 1] == ' ' || text[line_start - 1] == '\t' || text[line_start - 1] == '\r')) {
    --line_start;
  }
  if (line_start == 0 || text[line_start - 1] == '\n') {
    if (end == text.size()) return {line_start, end, follows, arc, reference};
    if (text[end] == '\n') return {line_start, end + 1, follows, arc, reference};
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      return {line_start, end + 2, follows, arc, reference};
    }
  }
  return {begin, end, follows, arc, reference};
}

}  // namespace vantira
