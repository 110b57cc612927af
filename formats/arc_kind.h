// The kinds of arc the formats write, in one table for every reader. The
// subnets take every arc whatever its kind; the semiflows take only the arcs
// that move tokens by their weight.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantira {

enum class ArcKind : uint8_t { kNormal, kInhibitor, kRead, kTest, kStopwatch, kReset, kTransfer, kUnknown };

// What an arc of a kind does to a marking when its transition fires.
enum class ArcEffect : uint8_t {
  kMoves,    // takes or puts its weight: an entry of the incidence matrix
  kLooks,    // only looks at the marking: no entry
  kDepends,  // moves as many tokens as its place holds: no incidence matrix
  kUnknown,
};

ArcEffect EffectOf(ArcKind kind);

// PNML's kind of an arc, from its `type` (attribute, `value` or text),
// blanks around it allowed: kNormal for "normal" or no text, kUnknown for a
// text that names no kind.
ArcKind PnmlArcKind(std::string_view written);

// The kind glued to an entry of a net description or to an edge's weight
// field in a drawing: "?" then "-" is an inhibitor arc, "?" alone a test
// arc, "!" a stopwatch arc; anything else (a weight "*2", "3") is normal.
ArcKind GlyphArcKind(std::string_view field);

// The kind as PNML names it ("inhibitor"); "unknown" for kUnknown.
std::string_view ArcKindName(ArcKind kind);

}  // namespace vantira
