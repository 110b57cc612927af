// The NUPN block of each PNML subnet file: the net's units cut down to the
// places the file holds, so that the file is a NUPN of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/subnet_map.h"
#include "formats/net_layout.h"

namespace vantira {

class NupnBlocks {
 public:
  // Sorts the places and counts the nodes and arcs of every subnet, once.
  NupnBlocks(const NetLayout& layout, const SubnetMap& map);

  // The block of subnet k's file: the start tag as written, its size (the
  // places, transitions and arcs the file holds), and the units that hold
  // one of its places or a unit that does, the root always; each with its
  // places and sub-units in the order of the net's block. A cut subnet is
  // not known to be safe, so the structure says safe="false".
  std::string Block(int32_t k);

 private:
  // The units subnet k's places [first, last) need, up to the root, into
  // kept_ and children_, and those places in the order the units list them.
  void KeepUnits(int32_t k, int32_t* first, int32_t* last);

  const NetLayout::Nupn& nupn_;
  std::vector<int32_t> place_start_;  // places_[place_start_[k] .. place_start_[k+1]) are subnet k's
  std::vector<int32_t> places_;
  std::vector<int32_t> transitions_;  // by subnet
  std::vector<int32_t> arcs_;         // by subnet
  std::vector<int32_t> stamp_;        // by unit: the last subnet that kept it
  std::vector<int32_t> kept_;
  std::vector<int32_t> children_;
};

}  // namespace vantira
