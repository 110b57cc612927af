// The weights and markings a reader notes as it reads, when the semiflows
// are asked for. A fault among them waits for the end of the reading: a
// fault of the reader's own, anywhere in the input, is told before it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "store/net_values.h"

namespace vantira {

// A count of tokens: decimal digits, then K (10^3) or M (10^6) or nothing.
// Empty when the text is no such count or the count is past 2^63 - 1.
std::optional<int64_t> ParseCount(std::string_view text);

// Keeps the first of the arcs that join the same place and transition in
// the same direction (the rule of net descriptions and PNML documents).
void KeepFirstArcs(NetValues& values);

// "*** wrong WHAT: TOKEN" on line `number` of a line format, for `digits`
// (the count within the token) that ParseCount refused.
Failure WrongLineCount(std::string_view token, std::string_view digits, std::string_view what, uint64_t number);

class ValueNotes {
 public:
  explicit ValueNotes(NetValues& values) : values_(values) {}

  NetValues& Values() { return values_; }
  void Arc(int32_t place, int32_t transition, bool output, int64_t weight) {
    values_.arcs.push_back({place, transition, output, weight});
  }
  // Keeps the first fault met; what is noted after it no longer matters.
  void Keep(Failure failure) {
    if (!fault_) fault_.emplace(std::move(failure));
  }
  bool Faulted() const { return fault_.has_value(); }

  // Whether place p was given a marking; gives it one.
  bool Marked(int32_t p) const { return static_cast<std::size_t>(p) < marked_.size() && marked_[p]; }
  void Mark(int32_t p, int64_t marking);

  // Once the reading has ended without a fault of its own: throws the fault
  // kept, or gives every place 1..m a marking (0 where none was noted) and,
  // where repeats count once, keeps the first of each arc.
  void Finish(int32_t m, bool repeats_count_once);

 private:
  NetValues& values_;
  std::optional<Failure> fault_;
  std::vector<bool> marked_;  // by place
};

}  // namespace vantira
