// The names authors give places and transitions besides their ids (PNML's
// <name>, the labels of net descriptions and drawings), for the JSON report.
// Readers collect them only when asked: the other reports never show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantira {

class NodeLabels {
 public:
  struct Entry {
    int32_t node;  // place p as p, transition t as -t
    std::size_t offset;
    std::size_t length;  // of its text in the labels' buffer
  };

  bool Wanted() const { return wanted_; }
  void Want() { wanted_ = true; }

  // Notes `text` as the label of `node`, place p as p or transition t as -t;
  // of two labels of one node, the later counts. An empty text is no label.
  void Note(int32_t node, std::string_view text) {
    if (text.empty()) return;
    entries_.push_back(Entry{node, text_.size(), text.size()});
    text_.append(text);
  }

  // Every label noted, in the order read.
  const std::vector<Entry>& Entries() const { return entries_; }
  std::string_view Text(const Entry& entry) const { return std::string_view(text_).substr(entry.offset, entry.length); }

 private:
  bool wanted_ = false;
  std::vector<Entry> entries_;
  std::string text_;
};

}  // namespace vantira
