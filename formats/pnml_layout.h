// Where the parts of a PNML document that its subnet files leave out or
// change lie: the net's node and arc elements, and its name text. The reader
// alone knows the elements; the subnet-file planner works on the bytes.
#pragma once

#include <cstdint>
#include <string_view>
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
  };
  std::vector<Element> elements;  // in document order

  // The raw content of the net's name text, [name_begin, name_end). Written
  // "<text/>", it is empty and name_begin is where the "/>" starts.
  bool has_name_text = false;
  bool name_empty_tag = false;
  uint64_t name_begin = 0;
  uint64_t name_end = 0;
};

// What a file that leaves out the element [begin, end) (from the "<" of its
// start tag to one past the ">" of its end tag or of "/>") loses: the element
// itself, or, when only blanks (space, tab, CR) precede it on its first line
// and only the line end (LF, CR LF) or the end of the text follows it on its
// last, those whole lines with their line ends. The reader works this out
// while the bytes are still in the cache.
inline PnmlLayout::Element CutOf(std::string_view text, uint64_t begin, uint64_t end, int32_t follows) {
  uint64_t line_start = begin;
  while (line_start > 0 &&
         (text[line_start - 1] == ' ' || text[line_start - 1] == '\t' || text[line_start - 1] == '\r')) {
    --line_start;
  }
  if (line_start == 0 || text[line_start - 1] == '\n') {
    if (end == text.size()) return {line_start, end, follows};
    if (text[end] == '\n') return {line_start, end + 1, follows};
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') return {line_start, end + 2, follows};
  }
  return {begin, end, follows};
}

}  // namespace vantira
