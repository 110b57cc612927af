#include "formats/pnml_nodes.h"

#include "formats/bad_input.h"

namespace vantira {

Failure WrongPnml(std::string_view what) {
  return MakeFailure(kExitBadInput, std::string("wrong PNML file: ").append(what));
}

Failure WrongPnmlAt(uint64_t line, std::string_view what) {
  return WrongPnml(std::string("line ").append(std::to_string(line)).append(": ").append(what));
}

namespace {

// A reference's state while references are resolved; a resolved one holds
// the number of its place or transition.
constexpr int32_t kUnresolved = 0;
constexpr int32_t kResolving = -1;
constexpr int32_t kNamesNothing = -2;

}  // namespace

PnmlNodes::PnmlNodes(NetStore& store) : store_(store), ids_(store, names_) {
  names_.Allocate(NetStore::kNodeStep);
  codes_.push_back(0);
}

int32_t PnmlNodes::AddNode(std::string_view id, Kind kind) {
  const uint32_t hash = HashName(id);
  if (ids_.Find(id, hash) != 0) {
    // The caller knows the line; ids are not repeated in reasons, as they may hold line ends.
    throw DuplicateName(id).Because("another node has this id");
  }
  int32_t number;
  int32_t offset;
  if (kind == kPlace) {
    number = AddPlace(store_, id);
    offset = store_.pn[number];
  } else if (kind == kTransition) {
    number = AddTransition(store_, id);
    offset = store_.tn[number];
  } else {
    number = static_cast<int32_t>(references_.size());
    offset = CommitName(store_, id);
  }
  const int32_t node = static_cast<int32_t>(codes_.size());
  names_.Resize(static_cast<std::size_t>(node) + 1);
  names_[node] = offset;
  codes_.push_back(number << 2 | kind);
  ids_.Insert(node, id, hash);
  return node;
}

void PnmlNodes::AddReference(int32_t node, std::string_view ref, uint64_t line) {
  // An empty ref names nothing, even where a node's id is empty.
  references_.push_back(Reference{node, ref.empty() ? 0 : Look(ref, HashName(ref)), line});
}

int32_t PnmlNodes::AddArc(std::string_view source, std::string_view target) {
  if (pending_count_ == kAhead) {
    LookUp(pending_[pending_first_]);
    pending_first_ = (pending_first_ + 1) % kAhead;
    --pending_count_;
  }
  Pending& pending = pending_[(pending_first_ + pending_count_++) % kAhead];
  pending.arc = static_cast<int32_t>(arcs_.size());
  pending.source.assign(source);
  pending.target.assign(target);
  pending.source_hash = HashName(source);
  pending.target_hash = HashName(target);
  ids_.Prefetch(pending.source_hash);
  ids_.Prefetch(pending.target_hash);
  arcs_.push_back(ArcEnds{0, 0});
  return static_cast<int32_t>(arcs_.size());
}

void PnmlNodes::Flush() {
  for (; pending_count_ > 0; --pending_count_) {
    LookUp(pending_[pending_first_]);
    pending_first_ = (pending_first_ + 1) % kAhead;
  }
}

void PnmlNodes::LookUp(const Pending& pending) {
  ArcEnds& arc = arcs_[static_cast<std::size_t>(pending.arc)];
  arc.source = Look(pending.source, pending.source_hash);
  arc.target = Look(pending.target, pending.target_hash);
}

PnmlNodes::NodeRef PnmlNodes::Look(std::string_view id, uint32_t hash) {
  if (int32_t node = ids_.Find(id, hash)) return node;
  unknown_.emplace_back(unknown_text_.size(), id.size());
  unknown_text_.append(id);
  return -static_cast<int32_t>(unknown_.size());
}

std::string_view PnmlNodes::Unknown(NodeRef ref) const {
  const auto [begin, length] = unknown_[static_cast<std::size_t>(-ref - 1)];
  return std::string_view(unknown_text_).substr(begin, length);
}

// The node an id names now that every node is known; 0 for none.
int32_t PnmlNodes::NodeOf(NodeRef ref) const {
  if (ref >= 0) return ref;
  const std::string_view id = Unknown(ref);
  return ids_.Find(id, HashName(id));
}

int32_t PnmlNodes::PlaceNumber(std::string_view id) const {
  const int32_t node = ids_.Find(id, HashName(id));
  return node != 0 && (codes_[node] & 3) == kPlace ? codes_[node] >> 2 : 0;
}

std::string_view PnmlNodes::Written(NodeRef ref) const { return ref < 0 ? Unknown(ref) : store_.Name(names_[ref]); }

void PnmlNodes::Resolve(ArcStore arcs) {
  Flush();
  ResolveReferences();
  ResolveArcs(arcs);
}

// Every reference, in document order, to its place or transition through a
// chain of references of its own kind; the first that ends anywhere else, or
// in a cycle, is the fault.
void PnmlNodes::ResolveReferences() {
  resolved_.assign(references_.size(), kUnresolved);
  std::vector<int32_t> chain;
  for (std::size_t r = 0; r < references_.size(); ++r) {
    if (resolved_[r] == kUnresolved) Walk(static_cast<int32_t>(r), chain);
    if (resolved_[r] > 0) continue;
    const int32_t node = references_[r].node;
    const bool place = (codes_[node] & 3) == kPlaceReference;
    std::string what(place ? "referencePlace " : "referenceTransition ");
    what.append(store_.Name(names_[node])).append(place ? " names no place" : " names no transition");
    throw WrongPnmlAt(references_[r].line, what);
  }
}

// Follows the chain from reference `r` to where it ends, and gives every
// reference met on the way that outcome.
void PnmlNodes::Walk(int32_t r, std::vector<int32_t>& chain) {
  const int32_t own = codes_[references_[r].node] & 3;
  const int32_t wanted = own - kPlaceReference;  // kPlace or kTransition
  chain.clear();
  int32_t outcome;
  for (int32_t at = r;;) {
    if (resolved_[at] != kUnresolved) {
      outcome = resolved_[at] == kResolving ? kNamesNothing : resolved_[at];
      break;
    }
    resolved_[at] = kResolving;
    chain.push_back(at);
    const int32_t node = NodeOf(references_[at].target);
    const int32_t code = node == 0 ? -1 : codes_[node];
    if (node != 0 && (code & 3) == wanted) {
      outcome = code >> 2;
      break;
    }
    if (node == 0 || (code & 3) != own) {
      outcome = kNamesNothing;
      break;
    }
    at = code >> 2;  // the next reference of the chain
  }
  for (int32_t at : chain) resolved_[at] = outcome;
}

// Kind (kPlace or kTransition) and number of what an arc's end names,
// through its reference; kind -1 when it names no node.
std::pair<int32_t, int32_t> PnmlNodes::Resolve(NodeRef ref) const {
  const int32_t node = NodeOf(ref);
  if (node == 0) return {-1, 0};
  const int32_t code = codes_[node];
  const int32_t kind = code & 3;
  if (kind < kPlaceReference) return {kind, code >> 2};
  return {kind - kPlaceReference, resolved_[code >> 2]};
}

void PnmlNodes::ResolveArcs(ArcStore arcs) {
  for (ArcEnds& arc : arcs_) {
    const auto [source_kind, source] = Resolve(arc.source);
    const auto [target_kind, target] = Resolve(arc.target);
    if (source_kind == kPlace && target_kind == kTransition) {
      AppendApt(store_, source, target, arcs);
      arc.source = target;
      arc.target = source;
    } else if (source_kind == kTransition && target_kind == kPlace) {
      AppendAtp(store_, source, target, arcs);
      arc.source = source;
      arc.target = -target;
    } else {
      // Arcs keep no lines: where the arc is, its source and target tell.
      const char* reason = source_kind < 0         ? "an arc's source is no node's id"
                           : target_kind < 0       ? "an arc's target is no node's id"
                           : source_kind == kPlace ? "an arc joins two places, not a place and a transition"
                                                   : "an arc joins two transitions, not a place and a transition";
      throw UnknownArc(Written(arc.source), Written(arc.target)).Because(reason);
    }
  }
}

int32_t PnmlNodes::NodeFollows(int32_t node) const {
  const int32_t code = codes_[node];
  const int32_t kind = code & 3;
  const int32_t number = kind < kPlaceReference ? code >> 2 : resolved_[code >> 2];
  return (kind & 1) == kPlace ? number : -number;
}

}  // namespace vantira
