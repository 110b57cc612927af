#include "formats/ndr_reader.h"

#include <optional>
#include <vector>

#include "base/failure.h"
#include "formats/arc_kind.h"
#include "formats/bad_input.h"
#include "formats/ndr_record.h"
#include "formats/node_labels.h"
#include "formats/read_lines.h"
#include "formats/values_reading.h"

namespace vantira {

EdgeEnds ResolveEdge(const NameIndex& index, const NdrRecord& edge) {
  EdgeEnds ends;
  if ((ends.place = index.places.Find(edge.name, edge.hash)) != 0) {
    ends.from_place = true;
    ends.transition = index.transitions.Find(edge.target, edge.target_hash);
  } else if ((ends.transition = index.transitions.Find(edge.name, edge.hash)) != 0) {
    ends.place = index.places.Find(edge.target, edge.target_hash);
    if (ends.place == 0) ends.transition = 0;
  }
  return ends;
}

PriorityEnds ResolvePriority(const NameIndex& index, const NdrRecord& edge) {
  const int32_t source = index.transitions.Find(edge.name, edge.hash);
  const int32_t target = source != 0 ? index.transitions.Find(edge.target, edge.target_hash) : 0;
  return target != 0 ? PriorityEnds{source, target} : PriorityEnds{};
}

std::string UnknownArcReason(const NameIndex& index, const NdrRecord& edge, Grammar grammar, uint64_t line) {
  const bool source_place = index.places.Find(edge.name, edge.hash) != 0;
  const bool source_transition = !source_place && index.transitions.Find(edge.name, edge.hash) != 0;
  const bool target_place = index.places.Find(edge.target, edge.target_hash) != 0;
  const bool target_transition = !target_place && index.transitions.Find(edge.target, edge.target_hash) != 0;
  std::string reason;
  if (!source_place && !source_transition) {
    reason = Quoted(edge.name).append(" is no place or transition defined before this line");
  } else if (source_place && target_place) {
    reason = Quoted(edge.name)
                 .append(" and ")
                 .append(Quoted(edge.target))
                 .append(" are both places; an edge joins a place and a transition");
  } else if (source_transition && target_transition) {
    reason = Quoted(edge.name)
                 .append(" and ")
                 .append(Quoted(edge.target))
                 .append(" are both transitions; an edge joins a place and a transition");
  } else {
    const bool either = source_transition && grammar == Grammar::kWide;
    reason = Quoted(edge.target)
                 .append(source_place ? " is no transition"
                         : either     ? " is no place or transition"
                                      : " is no place");
    reason.append(" defined before this line");
  }
  return AtLine(line, reason);
}

namespace {

// The tokens of `line` from `cursor` on.
std::vector<std::string_view> TokensFrom(const Line& line, int32_t cursor) {
  std::vector<std::string_view> tokens;
  for (SwallowSpace(line, cursor); cursor < line.Length(); SwallowSpace(line, cursor)) {
    const int32_t from = cursor;
    SkipToken(line, cursor);
    tokens.push_back(line.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(cursor - from)));
  }
  return tokens;
}

int32_t After(const Line& line, std::string_view part) {
  return static_cast<int32_t>(part.data() + part.size() - line.text.data());
}

class NdrApplier {
 public:
  NdrApplier(Grammar grammar, NetStore& store, ArcStore arcs, NameIndex& index, GrammarHint& hint, ValueNotes* notes,
             NetLayout* layout)
      : wide_(grammar == Grammar::kWide),
        store_(store),
        arcs_(arcs),
        index_(index),
        hint_(hint),
        notes_(notes),
        layout_(layout),
        noting_(notes != nullptr || layout != nullptr) {}

  // Hints the slots this record's names may be looked up in: a node's name
  // and an edge's source among both kinds, an edge's target in one of them.
  void Prefetch(const NdrRecord& record) const {
    const bool edge = record.kind == NdrRecord::Kind::kEdge;
    if (!edge && record.kind != NdrRecord::Kind::kPlace && record.kind != NdrRecord::Kind::kTransition) return;
    index_.places.Prefetch(record.hash);
    index_.transitions.Prefetch(record.hash);
    if (!edge) return;
    index_.places.Prefetch(record.target_hash);
    index_.transitions.Prefetch(record.target_hash);
  }

  // Enters one parsed record, the input's line `number`, whose text is
  // `view`, at `offset`.
  void Apply(const NdrRecord& record, std::string_view view, uint64_t number, uint64_t offset) {
    switch (record.kind) {
      case NdrRecord::Kind::kSkip:  // every subnet file has it, with an extra line end
        if (layout_ != nullptr) Note(view, offset, 0, NetLayout::Route::kCommon);
        return;
      case NdrRecord::Kind::kOther:  // carries nothing the decomposition needs
        if (layout_ != nullptr) Note(view, offset, 0, NetLayout::Route::kNowhere);
        return;
      case NdrRecord::Kind::kNetName:
        SetNetName(store_, record.name);
        if (layout_ != nullptr) Note(view, offset, 0, NetLayout::Route::kCommon);
        return;
      case NdrRecord::Kind::kPlace:
        CheckNewName(record, number);
        index_.places.Insert(AddPlace(store_, record.name), record.name, record.hash);
        if (store_.labels.Wanted()) NoteNdrLabel(Line{view}, record.name, store_.m, store_.labels);
        if (noting_) NoteNode(record, view, number, offset, store_.m);
        return;
      case NdrRecord::Kind::kTransition:
        CheckNewName(record, number);
        index_.transitions.Insert(AddTransition(store_, record.name), record.name, record.hash);
        if (store_.labels.Wanted()) NoteNdrLabel(Line{view}, record.name, -store_.n, store_.labels);
        if (layout_ != nullptr) Note(view, offset, -store_.n, NetLayout::Route::kFollows);
        return;
      case NdrRecord::Kind::kEdge: {
        const EdgeEnds ends = ResolveEdge(index_, record);
        if (noting_) NoteEdge(record, view, number, offset, ends);
        if (ends.transition == 0) return ApplyOtherEdge(record, number);
        if (ends.from_place) {
          AppendApt(store_, ends.place, ends.transition, arcs_);
        } else {
          AppendAtp(store_, ends.transition, ends.place, arcs_);
        }
        return;
      }
    }
  }

 private:
  void Note(std::string_view view, uint64_t offset, int32_t follows, NetLayout::Route route) {
    layout_->records.push_back({offset, offset + view.size(), follows, route});
  }

  [[gnu::noinline]] void NoteNode(const NdrRecord& record, std::string_view view, uint64_t number, uint64_t offset,
                                  int32_t p) {
    if (notes_ != nullptr) NoteMarking(record, view, number);
    if (layout_ != nullptr) Note(view, offset, p, NetLayout::Route::kFollows);
  }

  // An edge goes with its transition, whatever its direction; with -e, an
  // edge between two transitions to their subnet when they share one.
  [[gnu::noinline]] void NoteEdge(const NdrRecord& record, std::string_view view, uint64_t number, uint64_t offset,
                                  const EdgeEnds& ends) {
    if (notes_ != nullptr) NoteWeight(record, view, number, ends);
    if (layout_ == nullptr) return;
    if (ends.transition != 0) return Note(view, offset, -ends.transition, NetLayout::Route::kFollows);
    const PriorityEnds priority = ResolvePriority(index_, record);
    if (!wide_ || priority.source == 0) return;  // the reading fails here
    Note(view, offset, layout_->AddGroup({priority.source, priority.target}), NetLayout::Route::kAllIn);
  }

  // A place's marking, the field after its name, for the semiflows.
  [[gnu::noinline]] void NoteMarking(const NdrRecord& record, std::string_view view, uint64_t number) {
    if (notes_->Faulted()) return;
    const Line line{view};
    const std::vector<std::string_view> rest = TokensFrom(line, After(line, record.name));
    if (rest.empty()) return;
    const std::optional<int64_t> marking = ParseCount(rest[0]);
    if (!marking) return notes_->Keep(WrongLineCount(rest[0], rest[0], "marking", number));
    notes_->Mark(store_.m, *marking);
  }

  // An edge's weight, for the semiflows. After the target come the weight
  // and, last, where its label is drawn; a curved edge has two numeric
  // fields before them. An edge between two transitions (a priority) has
  // its weight checked but moves no tokens.
  [[gnu::noinline]] void NoteWeight(const NdrRecord& record, std::string_view view, uint64_t number,
                                    const EdgeEnds& ends) {
    if (notes_->Faulted()) return;
    const Line line{view};
    const std::vector<std::string_view> rest = TokensFrom(line, After(line, record.target));
    const std::string_view weight_text =
        rest.empty() ? std::string_view("1") : rest[rest.size() >= 2 ? rest.size() - 2 : 0];
    // Test, inhibitor and stopwatch edges ("?1", "?-1", "!1", "!-1") only
    // look at a marking; they are arcs of the subnets in either grammar.
    if (EffectOf(GlyphArcKind(weight_text)) == ArcEffect::kLooks) return;
    const std::optional<int64_t> weight = ParseCount(weight_text);
    if (!weight) return notes_->Keep(WrongLineCount(weight_text, weight_text, "weight", number));
    if (ends.transition != 0) notes_->Arc(ends.place, ends.transition, !ends.from_place, *weight);
  }

  // An edge that joins no place and transition: a priority, skipped in the
  // wider grammar, or else the end of the run. Kept out of line, so that the
  // hot path stays small.
  [[gnu::noinline]] void ApplyOtherEdge(const NdrRecord& record, uint64_t number) {
    if (ResolvePriority(index_, record).source != 0) {
      if (wide_) return;  // carries no token flow
      hint_.Note(WideConstruct::kPriorityEdge, number);
    }
    throw UnknownArc(record.name, record.target)
        .Because(UnknownArcReason(index_, record, wide_ ? Grammar::kWide : Grammar::kBasic, number));
  }

  // Names are unique over places and transitions together.
  void CheckNewName(const NdrRecord& record, uint64_t number) const {
    const bool place = index_.places.Find(record.name, record.hash) != 0;
    if (place || index_.transitions.Find(record.name, record.hash) != 0) {
      const std::string reason = Quoted(record.name).append(place ? " is a place" : " is a transition");
      throw DuplicateName(record.name).Because(AtLine(number, reason + " already; a name is defined once"));
    }
  }

  bool wide_;
  NetStore& store_;
  ArcStore arcs_;
  NameIndex& index_;
  GrammarHint& hint_;
  ValueNotes* notes_;  // only for the semiflows
  NetLayout* layout_;  // only for the subnet files
  bool noting_;        // either of them
};

}  // namespace

void ReadNDR(TextBlocks& input, Grammar grammar, NetStore& store, ArcStore arcs, NameIndex& index, GrammarHint& hint,
             NetValues* values, NetLayout* layout) {
  std::optional<ValueNotes> notes;
  if (values != nullptr) notes.emplace(*values);
  NdrApplier applier(grammar, store, arcs, index, hint, notes ? &*notes : nullptr, layout);
  ReadLines<NdrRecord, 8>(
      input, index, [](std::string_view) {},
      [](std::string_view view, NdrRecord& record) { ParseNdrRecord(Line{view}, record); },
      [&](const NdrRecord& record) { applier.Prefetch(record); },
      [&](const NdrRecord& record, std::string_view view, uint64_t number, uint64_t offset) {
        applier.Apply(record, view, number, offset);
      });
  if (notes) notes->Finish(store.m, false);
}

}  // namespace vantira
