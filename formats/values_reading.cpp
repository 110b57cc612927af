#include "formats/values_reading.h"

#include <algorithm>
#include <string>
#include <vector>

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

Failure WrongLineCount(std::string_view token, std::string_view digits, std::string_view what, uint64_t number) {
  const bool digits_only = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == 'K' || c == 'M';
  });
  return MakeFailure(kExitBadInput, std::string("wrong ").append(what).append(": ").append(token))
      .Because(AtLine(number, digits_only ? std::string("the ").append(what).append(" is past 2^63 - 1")
                                          : std::string("a ").append(what).append(
                                                " is a whole number, with K (10^3) or M (10^6) after it")));
}

void ValueNotes::Mark(int32_t p, int64_t marking) {
  const auto at = static_cast<std::size_t>(p);
  if (at >= marked_.size()) {
    marked_.resize(at + 1);
    values_.marking.resize(at + 1, 0);
  }
  marked_[at] = true;
  values_.marking[at] = marking;
}

void ValueNotes::Finish(int32_t m, bool repeats_count_once) {
  if (fault_) throw std::move(*fault_);
  values_.marking.resize(static_cast<std::size_t>(m) + 1, 0);
  if (repeats_count_once) KeepFirstArcs(values_);
}

}  // namespace vantira
