// The messages of a bad input that the readers and the subnet-file planners
// share, so that both tell a fault in the same words.
#pragma once

#include <string>
#include <string_view>

#include "base/failure.h"

namespace vantira {

// "*** " + what + name, status 2.
inline Failure BadInput(std::string_view what, std::string_view name) {
  return MakeFailure(kExitBadInput, std::string(what).append(name));
}

inline Failure DuplicateName(std::string_view name) { return BadInput("duplicate name: ", name); }

// An arc whose ends are not a place and a transition: "unknown arc: a -> b".
inline Failure UnknownArc(std::string_view source, std::string_view target) {
  return BadInput("unknown arc: ", std::string(source).append(" -> ").append(target));
}

}  // namespace vantira
