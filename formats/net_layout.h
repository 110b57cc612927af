// What the subnet files need of a reading: every record of the input (a
// line of the line formats, a node or arc element of PNML), as its byte span
// and what it holds, and the places a file changes. The reader alone knows
// the records; the subnet-file planner routes their bytes, and the bytes
// between records go to every file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/failure.h"

namespace vantira {

struct NetLayout {
  // Which subnet files a record goes to, and how.
  enum class Route : uint8_t {
    kFollows,  // the files of the subnets its node follows (see `follows`)
    kPlace,    // a place's line: whole to the subnet it is internal to, one side of it for the others
    kAllIn,    // the file of the subnet that holds every transition of its group, if one does
    kNowhere,  // no file
    kCommon,   // every file, as the format rewrites it (the net's name)
    kUnits,    // every file, the net's units cut down to the file's places (PNML)
  };
  struct Record {
    uint64_t begin;
    uint64_t end;
    // kFollows, kPlace: a place p, given as p, or a transition t, given as
    // -t: a place goes to the files of the subnets it is an input, internal
    // or output place of, a transition (a PNML arc or reference node: the
    // node it goes with) to its subnet's. kAllIn: its group.
    int32_t follows;
    Route route = Route::kFollows;
    bool arc = false;        // a PNML arc element
    bool reference = false;  // a PNML reference node
  };
  std::vector<Record> records;  // in text order
  // The transitions of group g (0 for a name that is none) are
  // group_items[group_start[g] .. group_start[g + 1]).
  std::vector<uint32_t> group_start{0};
  std::vector<int32_t> group_items;

  // A fault only the subnet files meet (a label that names nothing): every
  // file ends before record `fault_at`, and the run ends with it once the
  // first file is written.
  std::optional<Failure> fault;
  std::size_t fault_at = 0;

  // Record a group of transitions; returns its number.
  int32_t AddGroup(const std::vector<int32_t>& transitions) {
    group_items.insert(group_items.end(), transitions.begin(), transitions.end());
    group_start.push_back(static_cast<uint32_t>(group_items.size()));
    return static_cast<int32_t>(group_start.size()) - 2;
  }
  void Fault(Failure failure, std::size_t at) {
    if (fault) return;
    fault.emplace(std::move(failure));
    fault_at = at;
  }

  // PNML: the net's name text gets the subnet number as a kCommon record,
  // empty where the number goes, or the "/>" of "<text/>".

  // The net's units, from a `toolspecific` block of the tool "nupn": a tree
  // of units, each holding some of the places, every place in one unit.
  // Each subnet file holds the tree cut down to its own places.
  struct Nupn {
    uint64_t begin = 0;  // the block, cut as CutOf cuts an element
    uint64_t end = 0;
    std::string start_tag;   // as written, with the blanks before it on its line
    std::string line_end;    // "\n" or "\r\n", as the start tag's line ends
    bool ends_line = false;  // the cut takes the line end after the block
    int32_t root = 0;        // a unit
    std::vector<std::string> unit_ids;
    std::vector<int32_t> parent;          // by unit; -1 for the root
    std::vector<int32_t> rank_in_parent;  // by unit: where its parent lists it
    std::vector<int32_t> unit_of_place;   // by place 1..m (entry 0 unused)
    std::vector<int32_t> rank_in_unit;    // by place: where its unit lists it
    std::vector<std::string> place_ids;   // by place, as its unit names it
  };
  // Every NUPN block of the net, as cut from the document; `nupn` holds the
  // one there is, unless `nupn_fault` says why no subnet file can hold it.
  // Each block is a record too (kUnits).
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
inline NetLayout::Record CutOf(std::string_view text, uint64_t begin, uint64_t end, int32_t follows, bool arc = false,
                               bool reference = false) {
  uint64_t line_start = begin;
  while (line_start > 0 &&
         (text[line_start - 1] == ' ' || text[line_start - 1] == '\t' || text[line_start - 1] == '\r')) {
    --line_start;
  }
  if (line_start == 0 || text[line_start - 1] == '\n') {
    if (end == text.size()) return {line_start, end, follows, NetLayout::Route::kFollows, arc, reference};
    if (text[end] == '\n') return {line_start, end + 1, follows, NetLayout::Route::kFollows, arc, reference};
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      return {line_start, end + 2, follows, NetLayout::Route::kFollows, arc, reference};
    }
  }
  return {begin, end, follows, NetLayout::Route::kFollows, arc, reference};
}

}  // namespace vantira
