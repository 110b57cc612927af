#include "formats/pnml_inscriptions.h"

#include "formats/arc_kind.h"
#include "formats/xml_stream.h"

namespace vantira {

namespace {

// A count, or the failure "*** wrong WHAT: TEXT" on line `line`.
std::optional<int64_t> Count(std::string_view written, std::string_view what, uint64_t line,
                             std::optional<Failure>& fault) {
  const std::string_view text = TrimXmlSpace(written);
  if (std::optional<int64_t> count = ParseCount(text)) return count;
  if (!fault) {
    fault.emplace(MakeFailure(kExitBadInput, std::string("wrong ").append(what).append(": ").append(text))
                      .Because(AtLine(line, std::string("a ").append(what).append(" is a whole number below 2^63"))));
  }
  return std::nullopt;
}

}  // namespace

void PnmlInscriptions::OpenPlace(int32_t p, uint64_t line) {
  frames_.assign(1, Frame::kPlace);
  node_ = p;
  line_ = line;
  marking_.clear();
}

void PnmlInscriptions::OpenArc(int32_t arc, const char** atts, uint64_t line) {
  frames_.assign(1, Frame::kArc);
  node_ = arc;
  line_ = line;
  weight_.clear();
  const char* source = FindAttribute(atts, "source");
  const char* target = FindAttribute(atts, "target");
  source_.assign(source == nullptr ? "" : source);
  target_.assign(target == nullptr ? "" : target);
  kind_child_.reset();
  kind_attribute_.reset();
  if (const char* type = FindAttribute(atts, "type")) kind_attribute_ = type;
}

bool PnmlInscriptions::Start(std::string_view name, const char** atts) {
  const Frame parent = frames_.back();
  Frame frame = Frame::kSkip;
  switch (parent) {
    case Frame::kPlace:
      if (name == "initialMarking") frame = Frame::kMarking;
      break;
    case Frame::kArc:
      if (name == "inscription") {
        frame = Frame::kInscription;
      } else if (name == "type") {
        kind_child_.emplace();
        if (const char* value = FindAttribute(atts, "value")) *kind_child_ = value;
        frame = Frame::kType;
      }
      break;
    case Frame::kMarking:
    case Frame::kInscription:
    case Frame::kType:
      // The last text or value child counts.
      if (name != "text" && name != "value") break;
      text_ = parent == Frame::kMarking ? &marking_ : parent == Frame::kInscription ? &weight_ : &*kind_child_;
      text_->clear();
      frame = Frame::kText;
      break;
    default:
      break;
  }
  frames_.push_back(frame);
  return frame == Frame::kText;
}

bool PnmlInscriptions::End() {
  const bool text = frames_.back() == Frame::kText;
  if (text) text_ = nullptr;
  frames_.pop_back();
  return text;
}

void PnmlInscriptions::Text(std::string_view text) {
  if (frames_.back() == Frame::kText && text_ != nullptr) text_->append(text);
}

void PnmlInscriptions::Close() {
  frames_.back() == Frame::kPlace ? ClosePlace() : CloseArc();
  frames_.clear();
}

void PnmlInscriptions::ClosePlace() {
  if (marking_.empty()) return;  // 0
  if (const std::optional<int64_t> marking = Count(marking_, "marking", line_, marking_fault_)) {
    notes_.Mark(node_, *marking);
  }
}

// The arc's kind, however it is written; both ways at once must agree.
std::optional<Failure> PnmlInscriptions::KindFault() const {
  if (!kind_attribute_ || !kind_child_ || PnmlArcKind(*kind_attribute_) == PnmlArcKind(*kind_child_)) return {};
  return MakeFailure(kExitBadInput,
                     std::string("conflicting arc types: ").append(source_).append(" -> ").append(target_))
      .Because(AtLine(line_, std::string("its type attribute says ")
                                 .append(TrimXmlSpace(*kind_attribute_))
                                 .append(" and its type element ")
                                 .append(TrimXmlSpace(*kind_child_))
                                 .append("; an arc has one type")));
}

void PnmlInscriptions::CloseArc() {
  if (marking_fault_ || arc_fault_) return;  // the fault told comes before
  if (std::optional<Failure> fault = KindFault()) {
    arc_fault_ = std::move(fault);
    return;
  }
  const ArcKind kind = kind_attribute_ ? PnmlArcKind(*kind_attribute_)
                       : kind_child_   ? PnmlArcKind(*kind_child_)
                                       : ArcKind::kNormal;
  const ArcEffect effect = EffectOf(kind);
  if (effect == ArcEffect::kLooks) return;  // no entry of the incidence matrix
  if (effect != ArcEffect::kMoves) {
    const bool depends = effect == ArcEffect::kDepends;
    const std::string_view written = TrimXmlSpace(kind_attribute_ ? *kind_attribute_ : *kind_child_);
    arc_fault_.emplace(
        MakeFailure(kExitBadInput,
                    depends
                        ? std::string(ArcKindName(kind)).append(" arc: ").append(source_).append(" -> ").append(target_)
                        : std::string("unknown arc type: ").append(written))
            .Because(AtLine(line_, depends ? "its weight depends on the marking; semiflows are not defined with it"
                                           : "an arc is normal, inhibitor, read, test, reset or transfer")));
    return;
  }
  int64_t weight = 1;
  if (!weight_.empty()) {
    const std::optional<int64_t> count = Count(weight_, "weight", line_, arc_fault_);
    if (!count) return;
    weight = *count;
  }
  weights_.emplace_back(node_, weight);
}

void PnmlInscriptions::Finish(const PnmlNodes& nodes, int32_t m) {
  if (marking_fault_) throw std::move(*marking_fault_);
  if (arc_fault_) throw std::move(*arc_fault_);
  for (const auto& [arc, weight] : weights_) {
    const WeightedArc weighted = nodes.Weighted(arc, weight);
    notes_.Arc(weighted.place, weighted.transition, weighted.output, weighted.weight);
  }
  notes_.Finish(m, true);
}

}  // namespace vantira
