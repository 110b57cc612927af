#include <algorithm>
#include <string>
#include <vector>

#include "base/failure.h"
#include "formats/arc_kind.h"
#include "formats/input_text.h"
#include "formats/ndr_record.h"
#include "formats/net_line.h"
#include "formats/values_reader.h"

namespace vantira {

std::optional<int64_t> ParseCount(std::string_view text) {
  int64_t unit = 1;
  if (!text.empty() && (text.back() == 'K' || text.back() == 'M')) {
    unit = text.back() == 'K' ? 1000 : 1000000;
    text.remove_suffix(1);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    if (__builtin_mul_overflow(value, int64_t{10}, &value) || __builtin_add_overflow(value, c - '0', &value)) {
      return std::nullopt;
    }
  }
  if (__builtin_mul_overflow(value, unit, &value)) return std::nullopt;
  return value;
}

void KeepFirstArcs(NetValues& values) {
  std::vector<WeightedArc>& arcs = values.arcs;
  std::stable_sort(arcs.begin(), arcs.end(), [](const WeightedArc& a, const WeightedArc& b) {
    if (a.place != b.place) return a.place < b.place;
    if (a.transition != b.transition) return a.transition < b.transition;
    return a.output < b.output;
  });
  arcs.erase(std::unique(arcs.begin(), arcs.end(),
                         [](const WeightedArc& a, const WeightedArc& b) {
                           return a.place == b.place && a.transition == b.transition && a.output == b.output;
                         }),
             arcs.end());
}

namespace {

// A count or the failure "*** wrong WHAT: TOKEN" on line `number`.
int64_t Count(std::string_view token, std::string_view digits, std::string_view what, uint64_t number) {
  if (std::optional<int64_t> count = ParseCount(digits)) return *count;
  const bool digits_only = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == 'K' || c == 'M';
  });
  throw MakeFailure(kExitBadInput, std::string("wrong ").append(what).append(": ").append(token))
      .Because(AtLine(number, digits_only ? std::string("the ").append(what).append(" is past 2^63 - 1")
                                          : std::string("a ").append(what).append(
                                                " is a whole number, with K (10^3) or M (10^6) after it")));
}

// A place's marking "(4)", "(6K)"; 0 when none is written.
int64_t NetMarking(std::string_view marking, uint64_t number) {
  if (marking.empty()) return 0;
  std::string_view digits = marking.substr(1);
  if (!digits.empty() && digits.back() == ')') digits.remove_suffix(1);
  if (marking.back() != ')') digits = std::string_view("(");  // not closed: no count
  return Count(marking, digits, "marking", number);
}

void SetMarking(NetValues& values, std::vector<bool>& marked, int32_t p, int64_t marking) {
  // A place marked on several lines keeps the first marking given.
  if (marked[static_cast<std::size_t>(p)]) return;
  marked[static_cast<std::size_t>(p)] = true;
  values.marking[static_cast<std::size_t>(p)] = marking;
}

}  // namespace

void ReadNetValues(std::string_view text, Grammar grammar, const NameIndex& index, const NetStore& store,
                   NetValues& values) {
  values.marking.assign(static_cast<std::size_t>(store.m) + 1, 0);
  std::vector<bool> marked(static_cast<std::size_t>(store.m) + 1);
  LineCursor lines(text);
  NetLine line;
  uint64_t number = 0;
  for (std::string_view view; lines.Next(view);) {
    ++number;
    ParseNetLine(Line{view}, grammar, line);
    const bool place = line.kind == NetLine::Kind::kPlace;
    if (!place && line.kind != NetLine::Kind::kTransition) continue;
    // The reader has entered every name of this line.
    const int32_t self = (place ? index.places : index.transitions).Find(line.name, line.hash);
    if (place && !line.marking.empty()) SetMarking(values, marked, self, NetMarking(line.marking, number));
    for (std::size_t i = 0; i < line.entries.size(); ++i) {
      const NetEntry& entry = line.entries[i];
      int64_t weight = 1;
      if (!entry.suffix.empty()) {
        // The wider grammar's test, inhibitor and stopwatch arcs only look
        // at a marking.
        if (EffectOf(GlyphArcKind(entry.suffix)) == ArcEffect::kLooks) continue;
        weight = Count(entry.suffix, entry.suffix.substr(1), "weight", number);
      }
      const int32_t other = (place ? index.transitions : index.places).Find(entry.name, entry.hash);
      // Before the arrow a place line lists its producers, a transition line
      // its input places.
      const bool before = i < line.before_arrow;
      values.arcs.push_back(place ? WeightedArc{self, other, before, weight}
                                  : WeightedArc{other, self, !before, weight});
    }
  }
  KeepFirstArcs(values);
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

}  // namespace

void ReadNdrValues(std::string_view text, const NameIndex& index, const NetStore& store, NetValues& values) {
  values.marking.assign(static_cast<std::size_t>(store.m) + 1, 0);
  LineCursor lines(text);
  NdrRecord record;
  uint64_t number = 0;
  int32_t places = 0;
  for (std::string_view view; lines.Next(view);) {
    ++number;
    const Line line{view};
    ParseNdrRecord(line, record);
    if (record.kind == NdrRecord::Kind::kPlace) {
      // Places are numbered in the order of their records; the marking is
      // the field after the name.
      ++places;
      const std::vector<std::string_view> rest = TokensFrom(line, After(line, record.name));
      if (!rest.empty()) values.marking[static_cast<std::size_t>(places)] = Count(rest[0], rest[0], "marking", number);
      continue;
    }
    if (record.kind != NdrRecord::Kind::kEdge) continue;
    // After the target come the weight and, last, where its label is drawn;
    // a curved edge has two numeric fields before them.
    const std::vector<std::string_view> rest = TokensFrom(line, After(line, record.target));
    std::string_view weight_text = rest.empty() ? std::string_view("1") : rest[rest.size() >= 2 ? rest.size() - 2 : 0];
    // Test, inhibitor and stopwatch edges ("?1", "?-1", "!1", "!-1") only
    // look at a marking; the reader keeps them as arcs in either grammar.
    if (EffectOf(GlyphArcKind(weight_text)) == ArcEffect::kLooks) continue;
    const int64_t weight = Count(weight_text, weight_text, "weight", number);
    const int32_t place = index.places.Find(record.name, record.hash);
    if (place != 0) {
      values.arcs.push_back({place, index.transitions.Find(record.target, record.target_hash), false, weight});
      continue;
    }
    const int32_t target = index.places.Find(record.target, record.target_hash);
    if (target == 0) continue;  // with -e, an edge between two transitions: a priority
    values.arcs.push_back({target, index.transitions.Find(record.name, record.hash), true, weight});
  }
}

void ReadValuesByFormat(Format format, Grammar grammar, std::string_view text, const NameIndex& index,
                        const NetStore& store, NetValues& values) {
  switch (format) {
    case Format::kNdr:
      return ReadNdrValues(text, index, store, values);
    case Format::kPnml:
      return ReadPnmlValues(text, store, values);
    case Format::kNet:
      return ReadNetValues(text, grammar, index, store, values);
  }
}

}  // namespace vantira
