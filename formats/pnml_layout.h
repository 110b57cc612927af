// Where the parts of a PNML document that its subnet files leave out or
// change lie: the net's node and arc elements, and its name text. The reader
// alone knows the elements; the subnet-file planner works on the bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace vantira {

struct PnmlLayout {
  // A place, transition, reference node or arc element of the net: from the
  // "<" of its start tag to one past the ">" of its end tag (or of "/>").
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

}  // namespace vantira
