// The two grammars of .net and .ndr input, and the hint that tells a user of
// the first that the input looks written for the second.
#pragma once

#include <string>
#include <string_view>

namespace vantira {

// kBasic is the grammar vantira defines. kWide (-e) also reads what other
// tools write: labels after ':', arc kinds after '?' or '!', priority and
// note lines, and .ndr edges between two transitions.
enum class Grammar { kBasic, kWide };

// A construct of the wider grammar, met by a reader of the basic one.
enum class WideConstruct {
  kTransitionLabel,      // "tr t : label": the label becomes input places
  kPlaceLabel,           // "pl p : label": the label becomes producers
  kArcKindOnTransition,  // "tr t p?1": part of a place's name
  kArcKindOnPlace,       // "pl p t!1": part of a transition's name
  kPriorityLine,         // "pr t1 > t2"
  kNoteLine,             // "nt n1 1 {text}"
  kPriorityEdge,         // .ndr "e t1 t2": an edge between two transitions
};

// The first construct met, told once as "vantira: line N: ...; -e reads the
// wider grammar" on its own line. Later constructs are not told.
class GrammarHint {
 public:
  // `fd` receives the line when it is noted (standard error in a run); with
  // -1 it is only kept.
  explicit GrammarHint(int fd = -1) : fd_(fd) {}

  // The construct met on the input's line `number` (counted from 1).
  void Note(WideConstruct construct, uint64_t number);
  bool Given() const { return !text_.empty(); }
  const std::string& Text() const { return text_; }

 private:
  int fd_;
  std::string text_;
};

}  // namespace vantira
