#include "formats/pnml_reader.h"

#include <string>
#include <utility>
#include <vector>

#include "formats/xml_stream.h"
#include "store/failure.h"
#include "store/name_index.h"

namespace vantira {

namespace {

constexpr std::string_view kPtNet = "http://www.pnml.org/version-2009/grammar/ptnet";
constexpr std::string_view kCoreModel = "http://www.pnml.org/version-2009/grammar/pnmlcoremodel";

// The low two bits of a node's code; the rest is the number of the place,
// the transition or the reference.
enum NodeKind : int32_t { kPlace = 0, kTransition = 1, kPlaceReference = 2, kTransitionReference = 3 };
constexpr int32_t kArcElement = 4;
constexpr std::string_view kElementName[] = {"place", "transition", "referencePlace", "referenceTransition", "arc"};

// Open elements whose children are read. Any other element is only counted,
// with everything inside it.
enum class Role : uint8_t { kRoot, kNet, kNetName, kNameText, kPage };

// An arc's end or a reference's target as written: a node when positive,
// the i-th id that named no node yet when -(i+1), nothing when 0.
using NodeRef = int32_t;

struct Reference {
  int32_t node;  // its own
  NodeRef target;
  uint64_t line;  // of its start tag
};

struct ArcEnds {
  NodeRef source;
  NodeRef target;
};

// What a reference resolves to, besides the number of its place or
// transition.
constexpr int32_t kUnresolved = 0;
constexpr int32_t kResolving = -1;
constexpr int32_t kNamesNothing = -2;

struct Attributes {
  const char* id = nullptr;
  const char* source = nullptr;
  const char* target = nullptr;
  const char* ref = nullptr;
};

Attributes Scan(const char** atts) {
  Attributes found;
  for (; *atts != nullptr; atts += 2) {
    const std::string_view name = atts[0];
    if (name == "id") {
      found.id = atts[1];
    } else if (name == "source") {
      found.source = atts[1];
    } else if (name == "target") {
      found.target = atts[1];
    } else if (name == "ref") {
      found.ref = atts[1];
    }
  }
  return found;
}

const char* Find(const char** atts, std::string_view wanted) {
  for (; *atts != nullptr; atts += 2) {
    if (wanted == atts[0]) return atts[1];
  }
  return nullptr;
}

Failure Wrong(std::string_view what) { return MakeFailure(kExitBadInput, std::string("wrong PNML file: ").append(what)); }

Failure WrongAt(uint64_t line, std::string_view what) {
  return Wrong(std::string("line ").append(std::to_string(line)).append(": ").append(what));
}

class PnmlReader {
 public:
  PnmlReader(std::string_view text, NetStore& store, PnmlLayout* layout)
      : text_(text), store_(store), layout_(layout), nodes_(store, node_names_) {
    node_names_.Allocate(NetStore::kNodeStep);
    node_codes_.push_back(0);
    XML_Parser parser = xml_.Parser();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, OnStart, OnEnd);
  }

  void Read() {
    xml_.Parse(text_);
    if (nets_ == 0) throw Wrong("no net");
    ResolveReferences();
    ResolveArcs();
    NameNet();
    if (layout_ != nullptr) FinishLayout();
  }

 private:
  // Most elements lie inside nodes and arcs, names and graphics: they are
  // counted before anything else is looked at.
  static void OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<PnmlReader*>(data);
    if (self->skip_ != 0) {
      ++self->skip_;
      return;
    }
    self->xml_.Guard([&] { self->Start(name, atts); });
  }

  static void OnEnd(void* data, const XML_Char*) {
    auto* self = static_cast<PnmlReader*>(data);
    if (self->skip_ > 1) {
      --self->skip_;
      return;
    }
    self->xml_.Guard([&] { self->End(); });
  }

  static void OnText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<PnmlReader*>(data);
    self->xml_.Guard([&] { self->name_text_.append(text, static_cast<std::size_t>(length)); });
  }

  void Start(std::string_view name, const char** atts) {
    if (roles_.empty()) {
      // Any root but "pnml" holds no net.
      if (name == "pnml") return roles_.push_back(Role::kRoot);
    } else {
      switch (roles_.back()) {
        case Role::kRoot:
          if (name == "net") return StartNet(atts);
          break;
        case Role::kNet:
          if (name == "page") return roles_.push_back(Role::kPage);
          if (name == "name" && !net_name_seen_) {
            net_name_seen_ = true;
            return roles_.push_back(Role::kNetName);
          }
          break;
        case Role::kNetName:
          if (name == "text" && !has_name_text_) return StartNameText();
          break;
        case Role::kNameText:
          break;  // its character data still counts, its elements do not
        case Role::kPage:
          if (name == "page") return roles_.push_back(Role::kPage);
          return StartElement(name, atts);
      }
    }
    skip_ = 1;
  }

  void End() {
    if (skip_ != 0) {
      skip_ = 0;
      if (element_open_) {
        layout_->elements.back().end = xml_.EventEnd();
        element_open_ = false;
      }
      return;
    }
    if (roles_.back() == Role::kNameText) EndNameText();
    roles_.pop_back();
  }

  void StartNet(const char** atts) {
    if (++nets_ > 1) throw Wrong("more than one net");
    const char* type = Find(atts, "type");
    if (type == nullptr || (type != kPtNet && type != kCoreModel)) {
      throw MakeFailure(kExitBadInput, std::string("not a P/T net: ").append(type == nullptr ? "" : type));
    }
    if (const char* id = Find(atts, "id")) {
      net_id_ = id;
      has_net_id_ = true;
    }
    roles_.push_back(Role::kNet);
  }

  void StartNameText() {
    has_name_text_ = true;
    name_begin_ = xml_.EventEnd();  // just past the start tag
    XML_SetCharacterDataHandler(xml_.Parser(), OnText);
    roles_.push_back(Role::kNameText);
  }

  void EndNameText() {
    XML_SetCharacterDataHandler(xml_.Parser(), nullptr);
    if (xml_.EventEnd() == xml_.EventBegin()) {
      // "<text/>": the event sits just past the "/>".
      name_empty_tag_ = true;
      name_begin_ = name_end_ = xml_.EventBegin() - 2;
    } else {
      name_end_ = xml_.EventBegin();
    }
  }

  // A child of a page: a node, an arc, or something else that is skipped.
  void StartElement(std::string_view name, const char** atts) {
    int32_t kind = 0;
    while (kind <= kArcElement && name != kElementName[kind]) ++kind;
    skip_ = 1;
    if (kind > kArcElement) return;
    const Attributes found = Scan(atts);
    const std::string_view element = kElementName[kind];
    if (found.id == nullptr) throw WrongAt(xml_.Line(), std::string(element).append(" without id"));
    int32_t follows;
    if (kind == kArcElement) {
      if (found.source == nullptr) throw WrongAt(xml_.Line(), "arc without source");
      if (found.target == nullptr) throw WrongAt(xml_.Line(), "arc without target");
      arcs_.push_back(ArcEnds{Look(found.source), Look(found.target)});
      follows = -static_cast<int32_t>(arcs_.size());
    } else {
      if (kind >= kPlaceReference && found.ref == nullptr) {
        throw WrongAt(xml_.Line(), std::string(element).append(" without ref"));
      }
      follows = AddNode(found.id, kind);
      if (kind >= kPlaceReference) {
        // An empty ref names nothing, even where a node's id is empty.
        references_.push_back(Reference{follows, *found.ref == '\0' ? 0 : Look(found.ref), xml_.Line()});
      }
    }
    if (layout_ != nullptr) {
      layout_->elements.push_back(PnmlLayout::Element{xml_.EventBegin(), 0, follows});
      element_open_ = true;
    }
  }

  // Enters a node's id, and the place or transition it declares; returns its number.
  int32_t AddNode(std::string_view id, int32_t kind) {
    const uint64_t at = xml_.EventBegin();
    if (at >= next_sizing_) SizeTable(at);
    const uint32_t hash = HashName(id);
    if (nodes_.Find(id, hash) != 0) throw MakeFailure(kExitBadInput, std::string("duplicate name: ").append(id));
    ExpandNames(store_, static_cast<int64_t>(id.size()) + 1);
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
    const int32_t node = static_cast<int32_t>(node_codes_.size());
    node_names_.Resize(static_cast<std::size_t>(node) + 1);
    node_names_[node] = offset;
    node_codes_.push_back(number << 2 | kind);
    nodes_.Insert(node, id, hash);
    return node;
  }

  // Sizes the id table ahead, as the line formats size theirs: to the
  // number of ids the part read so far projects for the whole text, capped.
  void SizeTable(uint64_t at) {
    next_sizing_ = at + text_.size() / 64 + 1;
    if (at == 0) return;
    const double projected = static_cast<double>(nodes_.Count()) * static_cast<double>(text_.size()) / static_cast<double>(at);
    const double cap = static_cast<double>(text_.size() / 24);
    nodes_.Reserve(static_cast<std::size_t>(projected < cap ? projected : cap));
  }

  NodeRef Look(std::string_view id) {
    if (int32_t node = nodes_.Find(id, HashName(id))) return node;
    unknown_.emplace_back(unknown_text_.size(), id.size());
    unknown_text_.append(id);
    return -static_cast<int32_t>(unknown_.size());
  }

  std::string_view UnknownId(NodeRef ref) const {
    const auto [begin, length] = unknown_[static_cast<std::size_t>(-ref - 1)];
    return std::string_view(unknown_text_).substr(begin, length);
  }

  // The node a reference names now that every id is known; 0 for none.
  int32_t NodeOf(NodeRef ref) const {
    if (ref >= 0) return ref;
    const std::string_view id = UnknownId(ref);
    return nodes_.Find(id, HashName(id));
  }

  std::string_view Written(NodeRef ref) const { return ref < 0 ? UnknownId(ref) : store_.Name(node_names_[ref]); }

  // Every reference, in document order, to its place or transition through
  // any chain of references of its own kind; the first that ends anywhere
  // else, or in a cycle, is the fault.
  void ResolveReferences() {
    resolved_.assign(references_.size(), kUnresolved);
    std::vector<int32_t> chain;
    for (std::size_t r = 0; r < references_.size(); ++r) {
      if (resolved_[r] == kUnresolved) Walk(static_cast<int32_t>(r), chain);
      if (resolved_[r] > 0) continue;
      const int32_t node = references_[r].node;
      const bool place = (node_codes_[node] & 3) == kPlaceReference;
      std::string what(kElementName[place ? kPlaceReference : kTransitionReference]);
      what.append(" ").append(store_.Name(node_names_[node])).append(place ? " names no place" : " names no transition");
      throw WrongAt(references_[r].line, what);
    }
  }

  // Follows the chain from reference `r` to where it ends, and gives every
  // reference on the way that outcome.
  void Walk(int32_t r, std::vector<int32_t>& chain) {
    const int32_t own = node_codes_[references_[r].node] & 3;
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
      const int32_t code = node == 0 ? -1 : node_codes_[node];
      if (node != 0 && (code & 3) == wanted) {
        outcome = code >> 2;
        break;
      }
      if (node == 0 || (code & 3) != own) {
        outcome = kNamesNothing;
        break;
      }
      at = code >> 2;
    }
    for (int32_t at : chain) resolved_[at] = outcome;
  }

  // Kind (kPlace or kTransition) and number of the node an arc end names,
  // through its reference; kind -1 when it names no node.
  std::pair<int32_t, int32_t> Resolve(NodeRef ref) const {
    const int32_t node = NodeOf(ref);
    if (node == 0) return {-1, 0};
    const int32_t code = node_codes_[node];
    const int32_t kind = code & 3;
    if (kind < kPlaceReference) return {kind, code >> 2};
    return {kind - kPlaceReference, resolved_[code >> 2]};
  }

  void ResolveArcs() {
    for (ArcEnds& arc : arcs_) {
      const auto [source_kind, source] = Resolve(arc.source);
      const auto [target_kind, target] = Resolve(arc.target);
      if (source_kind == kPlace && target_kind == kTransition) {
        AppendApt(store_, source, target);
        arc.source = target;
      } else if (source_kind == kTransition && target_kind == kPlace) {
        AppendAtp(store_, source, target);
        arc.source = source;
      } else {
        std::string what = "unknown arc: ";
        what.append(Written(arc.source)).append(" -> ").append(Written(arc.target));
        throw MakeFailure(kExitBadInput, what);
      }
    }
  }

  void NameNet() {
    std::string_view name = net_id_;
    if (has_name_text_) {
      name = name_text_;
      const std::size_t first = name.find_first_not_of(" \t\r\n");
      name = first == std::string_view::npos ? std::string_view() : name.substr(first);
      name = name.substr(0, name.find_last_not_of(" \t\r\n") + 1);
    } else if (!has_net_id_) {
      return;  // "noname"
    }
    ExpandNames(store_, static_cast<int64_t>(name.size()) + 1);
    store_.netname = CommitName(store_, name);
  }

  void FinishLayout() {
    for (PnmlLayout::Element& element : layout_->elements) {
      if (element.follows < 0) {
        element.follows = -arcs_[static_cast<std::size_t>(-element.follows - 1)].source;
        continue;
      }
      const int32_t code = node_codes_[element.follows];
      const int32_t kind = code & 3;
      const int32_t number = kind < kPlaceReference ? code >> 2 : resolved_[code >> 2];
      element.follows = (kind & 1) == kPlace ? number : -number;
    }
    // A name text in an entity's replacement text has no bytes of its own
    // in the document: its events all lie at the reference.
    layout_->has_name_text = has_name_text_ && name_begin_ <= name_end_;
    layout_->name_empty_tag = name_empty_tag_;
    layout_->name_begin = name_begin_;
    layout_->name_end = name_end_;
  }

  std::string_view text_;
  NetStore& store_;
  PnmlLayout* layout_;
  XmlStream xml_{"wrong PNML file"};

  std::vector<Role> roles_;
  uint64_t skip_ = 0;  // depth inside an element that is not read
  bool element_open_ = false;

  int32_t nets_ = 0;
  bool has_net_id_ = false;
  std::string net_id_;
  bool net_name_seen_ = false;
  bool has_name_text_ = false;
  bool name_empty_tag_ = false;
  std::string name_text_;
  uint64_t name_begin_ = 0;
  uint64_t name_end_ = 0;

  // Every node's id, by node number (1, 2, ... in document order).
  CArray<int32_t> node_names_;
  std::vector<int32_t> node_codes_;
  NameTable nodes_;
  uint64_t next_sizing_ = 0;

  std::vector<Reference> references_;
  std::vector<int32_t> resolved_;
  std::vector<ArcEnds> arcs_;
  std::vector<std::pair<std::size_t, std::size_t>> unknown_;  // ids that named no node yet
  std::string unknown_text_;
};

}  // namespace

void ReadPNML(std::string_view text, NetStore& store, PnmlLayout* layout) {
  PnmlReader reader(text, store, layout);
  reader.Read();
}

}  // namespace vantira
