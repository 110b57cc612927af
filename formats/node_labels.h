// The labels authors give nodes, as each format writes them: after ":" on a
// net description's line (read with -e), in a drawing's node record, and in
// the <name><text> of a PNML node.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/tokens.h"
#include "store/node_labels.h"

namespace vantira {

// A label as its author meant it: a braced one without its braces and with
// "\{", "\}" and "\\" unescaped; a plain one as written.
std::string LabelText(std::string_view token);

// The label of a drawing's place or transition record, as written, or empty
// when it has none: the token before the last of those after the node's name,
// when there are at least 4 of them (a place: marking, anchor, label, anchor)
// or 5 (a transition: interval and its anchors, label, anchor).
std::string_view NdrLabel(const Line& record);

// Notes the label of a drawing's node record, place p (as p) or transition
// t (as -t) named `name`, unless it has none or it is the name: a large
// drawing may repeat every name as its label.
void NoteNdrLabel(const Line& record, std::string_view name, int32_t node, NodeLabels& labels);

// The first <text> of a PNML node's <name>, met while the reader skips the
// node's children. Depths count from the node element (1: its children).
class PnmlNodeName {
 public:
  // A place (p) or transition (-t) element with `id` has begun.
  void Open(int32_t node, std::string_view id) {
    node_ = node;
    id_ = id;
    in_name_ = in_text_ = taken_ = false;
    text_.clear();
  }
  bool IsOpen() const { return node_ != 0; }
  // An element `name` begins at `depth`; true when its character data is the
  // name's text, to be handed to Text.
  bool Start(uint64_t depth, std::string_view name);
  void Text(std::string_view text) { text_.append(text); }
  // The element at `depth` ends; true when that ends the name's text. At
  // depth 0 the node's own ends, and its label goes into `labels`, blanks
  // around it trimmed, unless it is the node's id (as in many models).
  bool End(uint64_t depth, NodeLabels& labels);

 private:
  int32_t node_ = 0;
  bool in_name_ = false;
  bool in_text_ = false;
  bool taken_ = false;  // a text was read; later ones do not count
  std::string id_;
  std::string text_;
};

}  // namespace vantira
