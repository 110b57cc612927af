#include "formats/grammar.h"


#include "base/output.h"

namespace vantira {

namespace {

std::string_view Reading(WideConstruct construct) {
  switch (construct) {
    case WideConstruct::kTransitionLabel:
      return "a label after ':' is read as a place here";
    case WideConstruct::kPlaceLabel:
      return "a label after ':' is read as a transition here";
    case WideConstruct::kArcKindOnTransition:
      return "an arc kind after '?' or '!' is read as part of a place name here";
    case WideConstruct::kArcKindOnPlace:
      return "an arc kind after '?' or '!' is read as part of a transition name here";
    case WideConstruct::kPriorityLine:
      return "a priority line 'pr' is an unknown command here";
    case WideConstruct::kNoteLine:
      return "a note line 'nt' is an unknown command here";
    case WideConstruct::kPriorityEdge:
      return "an edge between two transitions is an unknown arc here";
  }
  return {};
}

}  // namespace

void GrammarHint::Note(WideConstruct construct, uint64_t number) {
  if (Given()) return;
  text_.assign("vantira: line ").append(std::to_string(number)).append(": ").append(Reading(construct));
  text_.append("; -e reads the wider grammar\n");
  // A hint that cannot be written changes nothing else in the run.
  if (fd_ >= 0) WriteAll(fd_, text_);
}

}  // namespace vantira
