#include "formats/net_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "formats/arc_kind.h"
#include "formats/bad_input.h"
#include "formats/net_line.h"
#include "formats/node_labels.h"
#include "formats/read_lines.h"
#include "formats/values_reading.h"

namespace vantira {

namespace {

// Tells which lines hold "?" or "!", the marks of arc kinds. The text is
// searched a window at a time just ahead of the reader, so that a line
// without them costs one comparison, no byte is searched twice, and the
// reader then finds the window in the cache. Lines come in text order.
class MarkFinder {
 public:
  explicit MarkFinder(std::string_view text)
      : end_(text.data() + text.size()), next_(text.data()), marks_{{{'?', next_, next_}, {'!', next_, next_}}} {}

  bool In(std::string_view line) {
    const char* begin = line.data();
    const char* end = begin + line.size();
    if (next_ >= end) return false;
    bool in = false;
    for (Mark& mark : marks_) in |= Find(mark, begin, end);
    next_ = std::min(marks_[0].next, marks_[1].next);
    return in;
  }

 private:
  struct Mark {
    char c;
    const char* next;        // its first place in the last window, or the window's end
    const char* window_end;  // end of the last window searched
  };

  bool Find(Mark& mark, const char* begin, const char* end) const {
    while (mark.next < end) {
      if (mark.next >= begin && mark.next < mark.window_end) return true;
      // The mark found last lies before the line (what follows it is not
      // searched yet), or the window ends before the line does.
      const char* from = mark.next < begin ? begin : mark.window_end;
      mark.window_end = from + std::min<std::size_t>(kWindow, static_cast<std::size_t>(end_ - from));
      const void* found = std::memchr(from, mark.c, static_cast<std::size_t>(mark.window_end - from));
      mark.next = found != nullptr ? static_cast<const char*>(found) : mark.window_end;
    }
    return false;
  }

  static constexpr std::size_t kWindow = 16 * 1024;
  const char* end_;
  const char* next_;  // no mark lies before it on the lines still to come
  std::array<Mark, 2> marks_;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A plain entry name that the wider grammar reads as a name and an arc kind:
// "?" or "!" followed by a digit or "-" ("p?1", "p!-1").
bool HasArcKind(const NetLine& line) {
  for (const NetEntry& entry : line.entries) {
    const std::string_view name = entry.name;
    if (name.empty() || name[0] == '{') continue;
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
      if ((name[i] == '?' || name[i] == '!') && (IsDigit(name[i + 1]) || name[i + 1] == '-')) return true;
    }
  }
  return false;
}

class NetApplier {
 public:
  NetApplier(Grammar grammar, NetStore& store, ArcStore arcs, NameIndex& index, GrammarHint& hint, ValueNotes* notes,
             NetLayout* layout)
      : wide_(grammar == Grammar::kWide),
        store_(store),
        arcs_(arcs),
        index_(index),
        hint_(hint),
        notes_(notes),
        layout_(layout),
        noting_(notes != nullptr || layout != nullptr),
        watching_(!wide_ && !hint.Given()) {}

  // The lines to come lie in `text`.
  void Block(std::string_view text) { marks_ = MarkFinder(text); }

  // Enters one parsed line, the input's line `number`, into the store.
  void Apply(const NetLine& line, std::string_view view, uint64_t number, uint64_t offset) {
    switch (line.kind) {
      case NetLine::Kind::kSkip:
        return;
      case NetLine::Kind::kLabel:  // labels matter only to the subnet files, which copy them
        if (layout_ != nullptr) NoteLater(view, offset, number);
        return;
      case NetLine::Kind::kNet:
        SetNetName(store_, line.name);
        if (layout_ != nullptr) Note(view, offset, 0, NetLayout::Route::kCommon);
        return;
      case NetLine::Kind::kPriority:
      case NetLine::Kind::kNote:
        if (wide_) {
          // They carry no token flow. A note names itself, no element: it
          // belongs to no subnet; a priority line goes where its transitions are.
          if (layout_ == nullptr) return;
          if (line.kind == NetLine::Kind::kNote) return Note(view, offset, 0, NetLayout::Route::kNowhere);
          return NoteLater(view, offset, number);
        }
        Tell(line.kind == NetLine::Kind::kPriority ? WideConstruct::kPriorityLine : WideConstruct::kNoteLine, number);
        [[fallthrough]];
      case NetLine::Kind::kUnknown:
        throw MakeFailure(kExitBadInput, std::string("unknown command: ").append(line.keyword))
            .Because(AtLine(number, UnknownCommandReason(line.keyword, wide_ ? Grammar::kWide : Grammar::kBasic)));
      case NetLine::Kind::kPlace:
      case NetLine::Kind::kTransition:
        if (watching_) Watch(line, view, number);
        ApplyElementLine(line, view, number, offset);
        return;
    }
  }

  // Once every line is read: the label and priority lines name places and
  // transitions that may come later. They are taken apart again here, a
  // few lines of most nets. A label that names nothing is a fault the
  // subnet files meet, at its line.
  void FinishLayout(std::string_view text, Grammar grammar) {
    NetLine line;
    std::vector<int32_t> transitions;
    for (const auto& [at, number] : later_) {
      NetLayout::Record& record = layout_->records[at];
      ParseNetLine(Line{text.substr(record.begin, record.end - record.begin)}, grammar, line);
      if (line.kind == NetLine::Kind::kPriority) {
        transitions.clear();
        for (const NetEntry& entry : line.entries) {
          transitions.push_back(index_.transitions.Find(entry.name, entry.hash));
        }
        record.route = NetLayout::Route::kAllIn;
        record.follows = layout_->AddGroup(transitions);
        continue;
      }
      const uint32_t hash = HashName(line.name);
      if (const int32_t t = index_.transitions.Find(line.name, hash)) {
        record.follows = -t;
      } else if (const int32_t p = index_.places.Find(line.name, hash)) {
        record.follows = p;
      } else {
        record.route = NetLayout::Route::kNowhere;
        layout_->Fault(BadInput("unknown label name: ", line.name)
                           .Because(AtLine(number, Quoted(line.name).append(" is no place or transition"))),
                       at);
      }
    }
  }

  // Hints the slots this line's names will be looked up in.
  void Prefetch(const NetLine& line) const {
    if (line.kind != NetLine::Kind::kPlace && line.kind != NetLine::Kind::kTransition) return;
    const bool place = line.kind == NetLine::Kind::kPlace;
    const NameTable& other = place ? index_.transitions : index_.places;
    // A new declared name is looked up among both kinds.
    (place ? index_.places : index_.transitions).Prefetch(line.hash);
    other.Prefetch(line.hash);
    for (const NetEntry& entry : line.entries) other.Prefetch(entry.hash);
  }

 private:
  void Tell(WideConstruct construct, uint64_t number) {
    hint_.Note(construct, number);
    watching_ = false;
  }

  // Looks for the constructs of the wider grammar on an element line read in
  // the basic one: a label's ":" behind the name, or an arc kind in an entry,
  // which is looked for only on lines that hold "?" or "!".
  void Watch(const NetLine& line, std::string_view view, uint64_t number) {
    const bool place = line.kind == NetLine::Kind::kPlace;
    if (line.unread_label) {
      Tell(place ? WideConstruct::kPlaceLabel : WideConstruct::kTransitionLabel, number);
    } else if (marks_.In(view) && HasArcKind(line)) {
      Tell(place ? WideConstruct::kArcKindOnPlace : WideConstruct::kArcKindOnTransition, number);
    }
  }

  void ApplyElementLine(const NetLine& line, std::string_view text, uint64_t number, uint64_t offset) {
    const bool place = line.kind == NetLine::Kind::kPlace;
    // Both are refused with the line: a place or transition named "->", and
    // a label without a name, which a subnet file would write as ": " with
    // the next token behind it, to be read back as the label.
    if (line.name == "->" || line.unnamed_label) {
      std::string message = place ? "empty place name: " : "empty transition name: ";
      const std::string_view reason = line.unnamed_label ? "a label after ':' needs a name"
                                      : place            ? "the place has no name before '->'"
                                                         : "the transition has no name before '->'";
      throw MakeFailure(kExitBadInput, message.append(text)).Because(AtLine(number, reason));
    }
    const int32_t self = Declare(line, place, number);
    if (line.labelled && store_.labels.Wanted()) store_.labels.Note(place ? self : -self, LabelText(line.label));
    for (std::size_t i = 0; i < line.entries.size(); ++i) {
      const int32_t e = Resolve(line.entries[i], !place);
      const bool before = i < line.before_arrow;
      // Before the arrow a place line lists its producers and a transition
      // line its input places; after it, the other direction.
      if (place == before) {
        place ? AppendAtp(store_, e, self, arcs_) : AppendAtp(store_, self, e, arcs_);
      } else {
        place ? AppendApt(store_, self, e, arcs_) : AppendApt(store_, e, self, arcs_);
      }
    }
    if (noting_) {
      if (notes_ != nullptr) NoteValues(line, place, self, number);
      // A place line holds arcs of up to two subnets.
      if (layout_ != nullptr) {
        Note(text, offset, place ? self : -self, place ? NetLayout::Route::kPlace : NetLayout::Route::kFollows);
      }
    }
  }

  void Note(std::string_view view, uint64_t offset, int32_t follows, NetLayout::Route route) {
    layout_->records.push_back({offset, offset + view.size(), follows, route});
  }

  // A line whose record FinishLayout completes.
  void NoteLater(std::string_view view, uint64_t offset, uint64_t number) {
    later_.emplace_back(layout_->records.size(), number);
    Note(view, offset, 0, NetLayout::Route::kFollows);
  }

  // The line's marking and weights, for the semiflows. A place marked on
  // several lines keeps the first marking; every marking must be a count.
  [[gnu::noinline]] void NoteValues(const NetLine& line, bool place, int32_t self, uint64_t number) {
    if (notes_->Faulted()) return;
    if (place && !line.marking.empty()) {
      // "(4)", "(6K)"; one not closed is no count.
      std::string_view digits = line.marking.substr(1);
      if (!digits.empty() && digits.back() == ')') digits.remove_suffix(1);
      if (line.marking.back() != ')') digits = std::string_view("(");
      const std::optional<int64_t> marking = ParseCount(digits);
      if (!marking) return notes_->Keep(WrongLineCount(line.marking, digits, "marking", number));
      if (!notes_->Marked(self)) notes_->Mark(self, *marking);
    }
    const NameTable& others = place ? index_.transitions : index_.places;
    for (std::size_t i = 0; i < line.entries.size(); ++i) {
      const NetEntry& entry = line.entries[i];
      int64_t weight = 1;
      if (!entry.suffix.empty()) {
        // The wider grammar's test, inhibitor and stopwatch arcs only look
        // at a marking.
        if (EffectOf(GlyphArcKind(entry.suffix)) == ArcEffect::kLooks) continue;
        const std::optional<int64_t> count = ParseCount(entry.suffix.substr(1));
        if (!count) return notes_->Keep(WrongLineCount(entry.suffix, entry.suffix.substr(1), "weight", number));
        weight = *count;
      }
      const int32_t other = others.Find(entry.name, entry.hash);
      const bool before = i < line.before_arrow;
      place ? notes_->Arc(self, other, before, weight) : notes_->Arc(other, self, !before, weight);
    }
  }

  // The element a declaration names: an existing one of its kind, or a new
  // one, unless the name belongs to the other kind.
  int32_t Declare(const NetLine& line, bool place, uint64_t number) {
    NameTable& own = place ? index_.places : index_.transitions;
    if (int32_t existing = own.Find(line.name, line.hash)) return existing;
    if ((place ? index_.transitions : index_.places).Find(line.name, line.hash) != 0) {
      std::string reason = Quoted(line.name).append(place ? " is a transition" : " is a place");
      throw DuplicateName(line.name)
          .Because(AtLine(number, reason.append(" already; a name is a place or a transition, not both")));
    }
    return Add(own, line.name, line.hash, place);
  }

  // An arc entry names an element of the expected kind, created when new;
  // the same name among the other kind does not matter here.
  int32_t Resolve(const NetEntry& entry, bool place) {
    NameTable& table = place ? index_.places : index_.transitions;
    if (int32_t e = table.Find(entry.name, entry.hash)) return e;
    return Add(table, entry.name, entry.hash, place);
  }

  int32_t Add(NameTable& table, std::string_view name, uint32_t hash, bool place) {
    int32_t e = place ? AddPlace(store_, name) : AddTransition(store_, name);
    table.Insert(e, name, hash);
    return e;
  }

  bool wide_;
  NetStore& store_;
  ArcStore arcs_;
  NameIndex& index_;
  GrammarHint& hint_;
  ValueNotes* notes_;  // only for the semiflows
  NetLayout* layout_;  // only for the subnet files
  bool noting_;        // either of them
  std::vector<std::pair<std::size_t, uint64_t>> later_;  // records FinishLayout completes, with their lines
  bool watching_;  // the basic grammar, and nothing told yet
  MarkFinder marks_{std::string_view()};
};

}  // namespace

void ReadNET(TextBlocks& input, Grammar grammar, NetStore& store, ArcStore arcs, NameIndex& index, GrammarHint& hint,
             NetValues* values, NetLayout* layout) {
  if (layout != nullptr && !input.Whole()) throw std::logic_error("ReadNET: the layout needs the input given whole");
  std::optional<ValueNotes> notes;
  if (values != nullptr) notes.emplace(*values);
  NetApplier applier(grammar, store, arcs, index, hint, notes ? &*notes : nullptr, layout);
  ReadLines<NetLine, 4>(
      input, index, [&](std::string_view text) { applier.Block(text); },
      [grammar](std::string_view view, NetLine& line) { ParseNetLine(Line{view}, grammar, line); },
      [&](const NetLine& line) { applier.Prefetch(line); },
      [&](const NetLine& line, std::string_view view, uint64_t number, uint64_t offset) {
        applier.Apply(line, view, number, offset);
      });
  if (layout != nullptr) applier.FinishLayout(*input.Whole(), grammar);
  if (notes) notes->Finish(store.m, true);
}

}  // namespace vantira
