#include "formats/pnml_reader.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/failure.h"
#include "formats/node_labels.h"
#include "formats/pnml_inscriptions.h"
#include "formats/pnml_nodes.h"
#include "formats/pnml_nupn.h"
#include "formats/xml_stream.h"

namespace vantira {

namespace {

// The net types read as P/T nets, compared as written: the 2009 grammar's two,
// then those of the older grammar of 2004, still widely written.
constexpr std::string_view kPtTypes[] = {
    "http://www.pnml.org/version-2009/grammar/ptnet",
    "http://www.pnml.org/version-2009/grammar/pnmlcoremodel",
    "http://www.informatik.hu-berlin.de/top/pntd/ptNetb",
    "https://www.informatik.hu-berlin.de/top/pntd/ptNetb",
    "http://www.informatik.hu-berlin.de/top/pnml/ptNetb",
    "P/T net",
};

bool IsPtType(std::string_view type) {
  for (std::string_view known : kPtTypes) {
    if (type == known) return true;
  }
  return false;
}

// The 2009 grammar's coloured nets (symmetric nets, high-level nets and P/T
// nets written as high-level ones, "pt-hlpng"), or a type that says it is coloured.
bool IsColouredType(std::string_view type) {
  std::string lower(type);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string_view t = lower;
  return t.ends_with("symmetricnet") || t.ends_with("highlevelnet") || t.find("hlpn") != std::string_view::npos ||
         t.find("colored") != std::string_view::npos || t.find("coloured") != std::string_view::npos;
}

// Why a net of `type` (null: none) is not read: the types that are, and for
// a coloured net what to do.
std::string NotPtReason(const char* type) {
  std::string reason = type == nullptr ? "the net has no type; the P/T types read: "
                                       : "the net's type is not one of the P/T types read: ";
  for (std::string_view known : kPtTypes) {
    if (known != kPtTypes[0]) reason.append(", ");
    reason.append(known);
  }
  if (type != nullptr && IsColouredType(type)) reason.append("; a coloured net must be unfolded to a P/T net first");
  return reason;
}

// The children of a page, or of the net, that are read, node kinds first.
constexpr std::string_view kElementName[] = {"place", "transition", "referencePlace", "referenceTransition", "arc"};
constexpr int32_t kArcElement = 4;

// Open elements whose children are read. Any other element is only counted,
// with everything inside it.
enum class Role : uint8_t { kRoot, kNet, kNetName, kNameText, kPage };

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

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class PnmlReader {
 public:
  PnmlReader(TextBlocks& input, NetStore& store, ArcStore arcs, NetLayout* layout, NetValues* values)
      : input_(input), size_(input.Size()), store_(store), arcs_(arcs), layout_(layout), nodes_(store) {
    XML_Parser parser = xml_.Parser();
    XML_SetUserData(parser, this);
    if (values != nullptr) inscriptions_.emplace(*values);
    NodeHandlers();
    // Room for more elements than a document of this size holds in the usual
    // layouts (100 bytes an element and more), so that the table does not
    // move while it fills; room not written to costs no memory.
    if (layout_ != nullptr) layout_->records.reserve(size_ / 48);
    // Where the elements lie is cut from the whole text: the subnet files
    // copy it, so it is there whole.
    if (layout_ != nullptr) {
      if (!input.Whole()) throw std::logic_error("ReadPNML: the layout needs the input given whole");
      text_ = *input.Whole();
    }
  }

  void Read() {
    for (TextBlock block; input_.Next(block);) xml_.Parse(block.text, false);
    xml_.Parse({}, true);
    if (nets_ == 0) {
      throw WrongPnml("no net").Because(pnml_root_ ? "the pnml element holds no net" : "the root element is not pnml");
    }
    nodes_.Resolve(arcs_);
    NameNet();
    if (layout_ != nullptr) {
      nupn_.Finish(store_.m, [&](std::string_view id) { return nodes_.PlaceNumber(id); }, *layout_);
      FinishLayout();
    }
    if (inscriptions_) inscriptions_->Finish(nodes_, store_.m);
  }

 private:
  // Only the JSON report shows the nodes' names, and only the semiflows
  // look inside places and arcs: other runs keep handlers that do neither.
  void NodeHandlers() {
    XML_Parser parser = xml_.Parser();
    const bool named = store_.labels.Wanted();
    if (inscriptions_) {
      XML_SetElementHandler(parser, named ? OnStartValued<true> : OnStartValued<false>,
                            named ? OnEndValued<true> : OnEndValued<false>);
    } else if (named) {
      XML_SetElementHandler(parser, OnStartNamed, OnEndNamed);
    } else {
      XML_SetElementHandler(parser, OnStart, OnEnd);
    }
  }

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

  // OnStart and OnEnd, and what a node's name needs: the place or transition
  // a node element added, and the events inside it.
  static void OnStartNamed(void* data, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<PnmlReader*>(data);
    if (self->skip_ != 0) {
      if (self->node_name_.IsOpen() && self->node_name_.Start(self->skip_, name)) {
        XML_SetCharacterDataHandler(self->xml_.Parser(), OnNodeNameText);
      }
      ++self->skip_;
      return;
    }
    const int32_t m = self->store_.m;
    const int32_t n = self->store_.n;
    OnStart(data, name, atts);
    if (self->store_.m != m) self->node_name_.Open(self->store_.m, self->store_.PlaceName(self->store_.m));
    if (self->store_.n != n) self->node_name_.Open(-self->store_.n, self->store_.TransitionName(self->store_.n));
  }

  static void OnEndNamed(void* data, const XML_Char* name) {
    auto* self = static_cast<PnmlReader*>(data);
    if (self->skip_ != 0 && self->node_name_.IsOpen()) {
      self->xml_.Guard([&] {
        if (self->node_name_.End(self->skip_ - 1, self->store_.labels)) {
          XML_SetCharacterDataHandler(self->xml_.Parser(), nullptr);
        }
      });
    }
    OnEnd(data, name);
  }

  static void OnNodeNameText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<PnmlReader*>(data);
    self->xml_.Guard([&] { self->node_name_.Text(std::string_view(text, static_cast<std::size_t>(length))); });
  }

  // The handlers above, and what the semiflows need: the events inside a
  // place or arc element, from the one that opened it to its end.
  template <bool kNamed>
  static void OnStartValued(void* data, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<PnmlReader*>(data);
    PnmlInscriptions& inscriptions = *self->inscriptions_;
    if (self->skip_ != 0) {
      if (inscriptions.Open()) {
        self->xml_.Guard([&] {
          if (inscriptions.Start(name, atts)) XML_SetCharacterDataHandler(self->xml_.Parser(), OnInscriptionText);
        });
      }
      kNamed ? OnStartNamed(data, name, atts) : OnStart(data, name, atts);
      return;
    }
    const int32_t m = self->store_.m;
    const int32_t arcs = self->nodes_.Arcs();
    kNamed ? OnStartNamed(data, name, atts) : OnStart(data, name, atts);
    if (self->store_.m != m) {
      self->xml_.Guard([&] { inscriptions.OpenPlace(self->store_.m, self->xml_.Line()); });
    } else if (self->nodes_.Arcs() != arcs) {
      self->xml_.Guard([&] { inscriptions.OpenArc(self->nodes_.Arcs(), atts, self->xml_.Line()); });
    }
  }

  template <bool kNamed>
  static void OnEndValued(void* data, const XML_Char* name) {
    auto* self = static_cast<PnmlReader*>(data);
    PnmlInscriptions& inscriptions = *self->inscriptions_;
    if (self->skip_ != 0 && inscriptions.Open()) {
      self->xml_.Guard([&] {
        if (self->skip_ == 1) {
          inscriptions.Close();
        } else if (inscriptions.End()) {
          XML_SetCharacterDataHandler(self->xml_.Parser(), nullptr);
        }
      });
    }
    kNamed ? OnEndNamed(data, name) : OnEnd(data, name);
  }

  static void OnInscriptionText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<PnmlReader*>(data);
    self->xml_.Guard([&] { self->inscriptions_->Text(std::string_view(text, static_cast<std::size_t>(length))); });
  }

  static void OnText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<PnmlReader*>(data);
    self->xml_.Guard([&] { self->name_text_.append(text, static_cast<std::size_t>(length)); });
  }

  void Start(std::string_view name, const char** atts) {
    if (roles_.empty()) {
      // Any root but "pnml" holds no net.
      if (name == "pnml") {
        pnml_root_ = true;
        return roles_.push_back(Role::kRoot);
      }
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
          // The older layout has no pages: its nodes are the net's children.
          return StartElement(name, atts);
        case Role::kNetName:
          if (name == "text" && !has_name_text_) return StartNameText();
          break;
        case Role::kNameText:
          break;  // its character data still counts, its elements do not
        case Role::kPage:
          if (name == "page") return roles_.push_back(Role::kPage);
          // A net here is a refined transition's subprocess, skipped whole:
          // its ids may repeat the outer net's.
          return StartElement(name, atts);
      }
    }
    skip_ = 1;
  }

  void End() {
    if (skip_ != 0) {
      skip_ = 0;
      if (element_open_) {
        NetLayout::Record& element = layout_->records.back();
        element = CutOf(text_, element.begin, xml_.EventEnd(), element.follows, element.arc, element.reference);
        element_open_ = false;
      }
      return;
    }
    if (roles_.back() == Role::kNameText) EndNameText();
    roles_.pop_back();
  }

  void StartNet(const char** atts) {
    if (++nets_ > 1) {
      throw WrongPnml("more than one net").Because(AtLine(xml_.Line(), "a second net; a document holds one"));
    }
    const char* type = FindAttribute(atts, "type");
    if (type == nullptr || !IsPtType(type)) {
      throw MakeFailure(kExitBadInput, std::string("not a P/T net: ").append(type == nullptr ? "" : type))
          .Because(AtLine(xml_.Line(), NotPtReason(type)));
    }
    if (const char* id = FindAttribute(atts, "id")) {
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

  // A child of a page or of the net: a node, an arc, or something else that
  // is skipped.
  void StartElement(std::string_view name, const char** atts) {
    int32_t kind = 0;
    while (kind <= kArcElement && name != kElementName[kind]) ++kind;
    skip_ = 1;
    if (kind > kArcElement) {
      if (layout_ != nullptr && name == "toolspecific") StartToolSpecific(atts);
      return;
    }
    const Attributes found = Scan(atts);
    const std::string_view element = kElementName[kind];
    if (found.id == nullptr) throw WrongPnmlAt(xml_.Line(), std::string(element).append(" without id"));
    int32_t follows;
    bool arc = false;
    bool reference = false;
    if (kind == kArcElement) {
      if (found.source == nullptr) throw WrongPnmlAt(xml_.Line(), "arc without source");
      if (found.target == nullptr) throw WrongPnmlAt(xml_.Line(), "arc without target");
      follows = -nodes_.AddArc(found.source, found.target);
      arc = true;
    } else {
      const auto node_kind = static_cast<PnmlNodes::Kind>(kind);
      reference = node_kind >= PnmlNodes::kPlaceReference;
      if (reference && found.ref == nullptr) {
        throw WrongPnmlAt(xml_.Line(), std::string(element).append(" without ref"));
      }
      const uint64_t at = xml_.EventBegin();
      if (at >= next_sizing_) SizeTable(at);
      try {
        follows = nodes_.AddNode(found.id, node_kind);
      } catch (Failure& failure) {
        // Where the clash is, is asked only now: expat works a line number out afresh.
        if (failure.Status() == kExitBadInput) failure.Because(AtLine(xml_.Line(), failure.Reason()));
        throw;
      }
      if (reference) nodes_.AddReference(follows, found.ref, xml_.Line());
    }
    if (layout_ != nullptr) {
      layout_->records.push_back(
          NetLayout::Record{xml_.EventBegin(), 0, follows, NetLayout::Route::kFollows, arc, reference});
      element_open_ = true;
    }
  }

  // Only the subnet files look inside a tool's block, and only in the NUPN
  // one: its events go to handlers of their own until it ends.
  void StartToolSpecific(const char** atts) {
    const char* tool = FindAttribute(atts, "tool");
    if (tool == nullptr || std::string_view(tool) != "nupn") return;
    nupn_.Open(text_, xml_.EventBegin(), xml_.EventEnd());
    XML_SetElementHandler(xml_.Parser(), OnNupnStart, OnNupnEnd);
    XML_SetCharacterDataHandler(xml_.Parser(), OnNupnText);
  }

  static void OnNupnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<PnmlReader*>(data);
    self->xml_.Guard([&] { self->nupn_.Start(name, atts); });
  }

  static void OnNupnEnd(void* data, const XML_Char* name) {
    auto* self = static_cast<PnmlReader*>(data);
    if (self->nupn_.Depth() > 0) return self->nupn_.End();
    self->nupn_.Close(self->text_, self->xml_.EventEnd());
    self->NodeHandlers();
    XML_SetCharacterDataHandler(self->xml_.Parser(), nullptr);
    OnEnd(data, name);
  }

  static void OnNupnText(void* data, const XML_Char* text, int length) {
    static_cast<PnmlReader*>(data)->nupn_.Text(std::string_view(text, static_cast<std::size_t>(length)));
  }

  // Sizes the id table ahead, as the line formats size theirs: to the
  // number of ids the part read so far projects for the whole text, capped.
  void SizeTable(uint64_t at) {
    next_sizing_ = size_ == 0 ? UINT64_MAX : at + size_ / 64 + 1;
    if (at == 0) return;
    nodes_.Reserve(ProjectedNames(static_cast<std::size_t>(nodes_.Count()), at, size_));
  }

  void NameNet() {
    std::string_view name = net_id_;
    if (has_name_text_) {
      name = TrimXmlSpace(name_text_);
    } else if (!has_net_id_) {
      return;  // "noname"
    }
    SetNetName(store_, name);
  }

  // The nodes' and arcs' records follow their places and transitions; the
  // NUPN blocks and the place of the name's number join them in text order.
  void FinishLayout() {
    std::vector<NetLayout::Record>& records = layout_->records;
    for (NetLayout::Record& record : records) {
      record.follows = record.follows > 0 ? nodes_.NodeFollows(record.follows) : nodes_.ArcFollows(-record.follows);
    }
    if (!layout_->nupn_cuts.empty()) {
      std::vector<NetLayout::Record> merged;
      merged.reserve(records.size() + layout_->nupn_cuts.size());
      auto cut = layout_->nupn_cuts.begin();
      for (const NetLayout::Record& record : records) {
        for (; cut != layout_->nupn_cuts.end() && cut->first < record.begin; ++cut) {
          merged.push_back({cut->first, cut->second, 0, NetLayout::Route::kUnits});
        }
        merged.push_back(record);
      }
      for (; cut != layout_->nupn_cuts.end(); ++cut)
        merged.push_back({cut->first, cut->second, 0, NetLayout::Route::kUnits});
      records.swap(merged);
    }
    // A name text in an entity's replacement text has no bytes of its own
    // in the document: its events all lie at the reference.
    if (!has_name_text_ || name_begin_ > name_end_) return;
    // "_zK" goes after the last byte of the raw content that is not blank,
    // or at its start; "<text/>" becomes "<text>_zK</text>".
    uint64_t mark = name_end_;
    while (mark > name_begin_ && IsXmlBlank(text_[mark - 1])) --mark;
    const NetLayout::Record name{mark, name_empty_tag_ ? mark + 2 : mark, 0, NetLayout::Route::kCommon};
    records.insert(std::lower_bound(records.begin(), records.end(), mark,
                                    [](const NetLayout::Record& record, uint64_t at) { return record.begin < at; }),
                   name);
  }

  TextBlocks& input_;
  uint64_t size_;
  std::string_view text_;  // the whole document, when the layout is noted
  NetStore& store_;
  ArcStore arcs_;
  NetLayout* layout_;
  XmlStream xml_{"wrong PNML file"};

  std::vector<Role> roles_;
  uint64_t skip_ = 0;  // depth inside an element that is not read
  bool element_open_ = false;

  bool pnml_root_ = false;
  int32_t nets_ = 0;
  bool has_net_id_ = false;
  std::string net_id_;
  bool net_name_seen_ = false;
  bool has_name_text_ = false;
  bool name_empty_tag_ = false;
  std::string name_text_;
  uint64_t name_begin_ = 0;
  uint64_t name_end_ = 0;

  PnmlNodes nodes_;
  uint64_t next_sizing_ = 0;
  PnmlNodeName node_name_;  // only when the labels are wanted
  NupnReading nupn_;        // only for the subnet files
  std::optional<PnmlInscriptions> inscriptions_;  // only for the semiflows
};

}  // namespace

void ReadPNML(TextBlocks& input, NetStore& store, ArcStore arcs, NetLayout* layout, NetValues* values) {
  PnmlReader reader(input, store, arcs, layout, values);
  reader.Read();
}

}  // namespace vantira
