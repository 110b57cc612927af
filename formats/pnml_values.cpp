#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/failure.h"
#include "formats/arc_kind.h"
#include "formats/values_reader.h"
#include "formats/xml_stream.h"

namespace vantira {

namespace {

// What an open element is to this reading. The nodes and arcs are the
// children of the first net and of its pages, as the reader finds them.
enum class Frame : uint8_t { kSkip, kRoot, kNet, kPage, kPlace, kArc, kMarking, kInscription, kType, kText };

struct Arc {
  std::string source, target;
  std::string weight;  // as written; empty: 1
  // The kind as its `type` child writes it (value or text) and as the arc's
  // own `type` attribute does, as written; absent: not given that way.
  std::optional<std::string> kind_child;
  std::optional<std::string> kind_attribute;
  uint64_t line;
};

struct Place {
  std::string marking;  // as written; empty: 0
  uint64_t line;
};

class PnmlValues {
 public:
  explicit PnmlValues(const NetStore& store) : store_(store) {
    XML_Parser parser = xml_.Parser();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
  }

  void Read(std::string_view text, NetValues& values) {
    for (std::size_t at = 0; at < text.size(); at += XmlStream::kChunk) {
      xml_.Parse(text.substr(at, XmlStream::kChunk), false);
    }
    xml_.Parse({}, true);
    values.marking.assign(static_cast<std::size_t>(store_.m) + 1, 0);
    for (std::size_t p = 0; p < places_.size() && p < static_cast<std::size_t>(store_.m); ++p) {
      if (!places_[p].marking.empty()) values.marking[p + 1] = Count(places_[p].marking, "marking", places_[p].line);
    }
    for (const Arc& arc : arcs_) Enter(arc, values);
    KeepFirstArcs(values);
  }

 private:
  static void OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    auto* self = static_cast<PnmlValues*>(data);
    self->xml_.Guard([&] { self->frames_.push_back(self->Start(name, atts)); });
  }
  static void OnEnd(void* data, const XML_Char*) {
    auto* self = static_cast<PnmlValues*>(data);
    self->xml_.Guard([&] { self->End(); });
  }
  static void OnText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<PnmlValues*>(data);
    if (!self->frames_.empty() && self->frames_.back() == Frame::kText && self->text_ != nullptr) {
      self->text_->append(text, static_cast<std::size_t>(length));
    }
  }

  Frame Start(std::string_view name, const char** atts) {
    const Frame parent = frames_.empty() ? Frame::kSkip : frames_.back();
    if (frames_.empty()) return name == "pnml" ? Frame::kRoot : Frame::kSkip;
    switch (parent) {
      case Frame::kRoot:
        if (name != "net" || net_seen_) return Frame::kSkip;
        net_seen_ = true;
        return Frame::kNet;
      case Frame::kNet:
      case Frame::kPage:
        return Node(name, atts);
      case Frame::kPlace:
        return name == "initialMarking" ? Frame::kMarking : Frame::kSkip;
      case Frame::kArc:
        if (name == "inscription") return Frame::kInscription;
        if (name != "type") return Frame::kSkip;
        arcs_.back().kind_child.emplace();
        if (const char* value = FindAttribute(atts, "value")) *arcs_.back().kind_child = value;
        return Frame::kType;
      case Frame::kMarking:
      case Frame::kInscription:
      case Frame::kType:
        if (name != "text" && name != "value") return Frame::kSkip;
        text_ = parent == Frame::kMarking       ? &places_.back().marking
                : parent == Frame::kInscription ? &arcs_.back().weight
                                                : &*arcs_.back().kind_child;
        text_->clear();
        return Frame::kText;
      default:
        return Frame::kSkip;
    }
  }

  Frame Node(std::string_view name, const char** atts) {
    if (name == "page") return Frame::kPage;
    const char* id = FindAttribute(atts, "id");
    if (id == nullptr) return Frame::kSkip;  // the reader refused it already
    if (name == "place") {
      places_.push_back(Place{{}, xml_.Line()});
      nodes_[id] = static_cast<int32_t>(places_.size());
      return Frame::kPlace;
    }
    if (name == "transition") {
      nodes_[id] = -++transitions_;
      return Frame::kSkip;
    }
    if (name == "referencePlace" || name == "referenceTransition") {
      const char* ref = FindAttribute(atts, "ref");
      references_[id] = ref == nullptr ? "" : ref;
      return Frame::kSkip;
    }
    if (name == "arc") {
      const char* source = FindAttribute(atts, "source");
      const char* target = FindAttribute(atts, "target");
      arcs_.push_back(Arc{source == nullptr ? "" : source, target == nullptr ? "" : target, {}, {}, {}, xml_.Line()});
      if (const char* type = FindAttribute(atts, "type")) arcs_.back().kind_attribute = type;
      return Frame::kArc;
    }
    return Frame::kSkip;
  }

  void End() {
    if (frames_.back() == Frame::kText) text_ = nullptr;
    frames_.pop_back();
  }

  // The place (as p) or transition (as -t) an id stands for, through
  // references; 0 for none.
  int32_t NodeOf(const std::string& id) const {
    const std::string* at = &id;
    for (std::size_t step = 0; step <= references_.size(); ++step) {
      if (auto node = nodes_.find(*at); node != nodes_.end()) return node->second;
      auto reference = references_.find(*at);
      if (reference == references_.end()) return 0;
      at = &reference->second;
    }
    return 0;
  }

  // The arc's kind, however it is written; both ways at once must agree.
  static ArcKind KindOf(const Arc& arc) {
    const ArcKind child = arc.kind_child ? PnmlArcKind(*arc.kind_child) : ArcKind::kNormal;
    if (!arc.kind_attribute) return child;
    const ArcKind attribute = PnmlArcKind(*arc.kind_attribute);
    if (arc.kind_child && attribute != child) {
      throw MakeFailure(kExitBadInput,
                        std::string("conflicting arc types: ").append(arc.source).append(" -> ").append(arc.target))
          .Because(AtLine(arc.line, std::string("its type attribute says ")
                                        .append(TrimXmlSpace(*arc.kind_attribute))
                                        .append(" and its type element ")
                                        .append(TrimXmlSpace(*arc.kind_child))
                                        .append("; an arc has one type")));
    }
    return attribute;
  }

  void Enter(const Arc& arc, NetValues& values) const {
    const ArcKind kind = KindOf(arc);
    const ArcEffect effect = EffectOf(kind);
    if (effect == ArcEffect::kLooks) return;  // no entry of the incidence matrix
    if (effect != ArcEffect::kMoves) {
      const bool depends = effect == ArcEffect::kDepends;
      const std::string_view written = TrimXmlSpace(arc.kind_attribute ? *arc.kind_attribute : *arc.kind_child);
      throw MakeFailure(kExitBadInput, depends ? std::string(ArcKindName(kind))
                                                     .append(" arc: ")
                                                     .append(arc.source)
                                                     .append(" -> ")
                                                     .append(arc.target)
                                               : std::string("unknown arc type: ").append(written))
          .Because(AtLine(arc.line, depends ? "its weight depends on the marking; semiflows are not defined with it"
                                            : "an arc is normal, inhibitor, read, test, reset or transfer"));
    }
    const int64_t weight = arc.weight.empty() ? 1 : Count(arc.weight, "weight", arc.line);
    const int32_t source = NodeOf(arc.source);
    const int32_t target = NodeOf(arc.target);
    if (source > 0 && target < 0) values.arcs.push_back({source, -target, false, weight});
    if (source < 0 && target > 0) values.arcs.push_back({target, -source, true, weight});
  }

  static int64_t Count(std::string_view written, std::string_view what, uint64_t line) {
    const std::string_view text = TrimXmlSpace(written);
    if (std::optional<int64_t> count = ParseCount(text)) return *count;
    throw MakeFailure(kExitBadInput, std::string("wrong ").append(what).append(": ").append(text))
        .Because(AtLine(line, std::string("a ").append(what).append(" is a whole number below 2^63")));
  }

  const NetStore& store_;
  XmlStream xml_{"wrong PNML file"};
  std::vector<Frame> frames_;
  std::string* text_ = nullptr;
  bool net_seen_ = false;
  std::vector<Place> places_;
  int32_t transitions_ = 0;
  std::unordered_map<std::string, int32_t> nodes_;
  std::unordered_map<std::string, std::string> references_;
  std::vector<Arc> arcs_;
};

}  // namespace

void ReadPnmlValues(std::string_view text, const NetStore& store, NetValues& values) {
  PnmlValues reader(store);
  reader.Read(text, values);
}

}  // namespace vantira
