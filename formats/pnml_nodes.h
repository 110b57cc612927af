// The nodes and arcs of a PNML net as its reader meets them. Places and
// transitions go into the store at once, in document order; every node's id,
// reference nodes' too, goes into one table of its own. References and arcs
// may name nodes that come later, so they are kept as written and resolved
// once the document has ended.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "store/name_index.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// "*** wrong PNML file: WHAT", and the same with "line L: " before WHAT.
Failure WrongPnml(std::string_view what);
Failure WrongPnmlAt(uint64_t line, std::string_view what);

class PnmlNodes {
 public:
  enum Kind : int32_t { kPlace, kTransition, kPlaceReference, kTransitionReference };

  explicit PnmlNodes(NetStore& store);

  // Enters a node; an id already used ends the run with "duplicate name".
  // Returns the node's number, 1, 2, ... in document order.
  int32_t AddNode(std::string_view id, Kind kind);
  // What the reference node `node` names, and the line of its start tag.
  void AddReference(int32_t node, std::string_view ref, uint64_t line);
  // Returns the arc's number, 1, 2, ... in document order.
  int32_t AddArc(std::string_view source, std::string_view target);

  int32_t Count() const { return ids_.Count(); }
  // Makes room in the id table for `nodes` in all.
  void Reserve(std::size_t nodes) { ids_.Reserve(nodes); }

  // Resolves the references, then the arcs, each in document order, and
  // appends the arcs to the store as `arcs` says; the first that fails ends
  // the run.
  void Resolve(ArcStore arcs);

  // After Resolve: the place p (as p) or the transition t (as -t) that a
  // node stands for, or that an arc goes with (its transition).
  int32_t NodeFollows(int32_t node) const;
  // The place whose id is `id` (a place's own, not a reference's); 0 for none.
  int32_t PlaceNumber(std::string_view id) const;
  int32_t ArcFollows(int32_t arc) const { return -arcs_[static_cast<std::size_t>(arc) - 1].source; }
  // After Resolve: arc `arc` with the weight `weight`.
  WeightedArc Weighted(int32_t arc, int64_t weight) const {
    const ArcEnds& ends = arcs_[static_cast<std::size_t>(arc) - 1];
    return {ends.target > 0 ? ends.target : -ends.target, ends.source, ends.target < 0, weight};
  }
  // The arcs met so far.
  int32_t Arcs() const { return static_cast<int32_t>(arcs_.size()); }

 private:
  // An id as written: a node when positive, the i-th id that named no node
  // when met as -(i+1), nothing when 0.
  using NodeRef = int32_t;
  struct Reference {
    int32_t node;  // its own
    NodeRef target;
    uint64_t line;
  };
  struct ArcEnds {
    NodeRef source;  // after Resolve: the arc's transition
    NodeRef target;  // after Resolve: its place p, as p for an input arc, as -p for an output one
  };

  // Arcs outnumber nodes, and each looks up two ids in a table far larger
  // than the caches. An arc's ids are hashed and their slots fetched when
  // it is met, and looked up a few arcs later, so that the misses overlap.
  // A later look-up can only find more nodes, and every id is looked up
  // again after the document anyway.
  struct Pending {
    int32_t arc;
    uint32_t source_hash;
    uint32_t target_hash;
    std::string source;
    std::string target;
  };
  static constexpr std::size_t kAhead = 8;

  void LookUp(const Pending& pending);
  // Looks up the ids of the arcs still waiting.
  void Flush();
  NodeRef Look(std::string_view id, uint32_t hash);
  std::string_view Unknown(NodeRef ref) const;
  int32_t NodeOf(NodeRef ref) const;
  std::string_view Written(NodeRef ref) const;
  void ResolveReferences();
  void Walk(int32_t r, std::vector<int32_t>& chain);
  std::pair<int32_t, int32_t> Resolve(NodeRef ref) const;
  void ResolveArcs(ArcStore arcs);

  NetStore& store_;
  CArray<int32_t> names_;       // every node's id, by number
  std::vector<int32_t> codes_;  // kind in the low two bits, its own number above
  NameTable ids_;
  std::vector<Reference> references_;
  std::vector<int32_t> resolved_;  // per reference: its place or transition
  std::vector<ArcEnds> arcs_;
  std::array<Pending, kAhead> pending_;
  std::size_t pending_first_ = 0;
  std::size_t pending_count_ = 0;
  std::vector<std::pair<std::size_t, std::size_t>> unknown_;  // in unknown_text_
  std::string unknown_text_;
};

}  // namespace vantira
