#include "formats/arc_kind.h"

#include <array>

#include "formats/xml_stream.h"

namespace vantira {

namespace {

struct KindEntry {
  std::string_view name;
  ArcKind kind;
  ArcEffect effect;
};

constexpr std::array<KindEntry, 8> kKinds = {{
    {"normal", ArcKind::kNormal, ArcEffect::kMoves},
    {"inhibitor", ArcKind::kInhibitor, ArcEffect::kLooks},
    {"read", ArcKind::kRead, ArcEffect::kLooks},
    {"test", ArcKind::kTest, ArcEffect::kLooks},
    {"stopwatch", ArcKind::kStopwatch, ArcEffect::kLooks},
    {"reset", ArcKind::kReset, ArcEffect::kDepends},
    {"transfer", ArcKind::kTransfer, ArcEffect::kDepends},
    {"unknown", ArcKind::kUnknown, ArcEffect::kUnknown},
}};

}  // namespace

ArcEffect EffectOf(ArcKind kind) { return kKinds[static_cast<std::size_t>(kind)].effect; }

std::string_view ArcKindName(ArcKind kind) { return kKinds[static_cast<std::size_t>(kind)].name; }

ArcKind PnmlArcKind(std::string_view written) {
  const std::string_view name = TrimXmlSpace(written);
  if (name.empty()) return ArcKind::kNormal;  // a type that says nothing
  // A stopwatch arc is a glyph of the line formats, no PNML type.
  for (const KindEntry& entry : kKinds) {
    if (entry.name == name && entry.kind != ArcKind::kStopwatch && entry.kind != ArcKind::kUnknown) return entry.kind;
  }
  return ArcKind::kUnknown;
}

ArcKind GlyphArcKind(std::string_view field) {
  if (field.empty()) return ArcKind::kNormal;
  if (field[0] == '?') return field.size() > 1 && field[1] == '-' ? ArcKind::kInhibitor : ArcKind::kTest;
  if (field[0] == '!') return ArcKind::kStopwatch;
  return ArcKind::kNormal;
}

}  // namespace vantira
