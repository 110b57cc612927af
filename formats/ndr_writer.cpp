#include "formats/ndr_writer.h"

#include <string>

#include "formats/input_text.h"
#include "formats/ndr_reader.h"
#include "formats/tokens.h"

namespace vantira {

namespace {

// "h name_zK rest" or, for a name ending in "}", "h name zK} rest", where
// rest is what followed the name on the line, its LF included.
void PlanNetName(const Line& line, int32_t cursor, SubnetPlan& plan) {
  SwallowSpace(line, cursor);
  std::string_view name = GetName(line, cursor);
  std::string_view rest = line.text.substr(static_cast<std::size_t>(std::min(cursor, line.Length())));
  const bool braced = !name.empty() && name.back() == '}';
  std::string before = "h ";
  before.append(braced ? name.substr(0, name.size() - 1) : name).append(braced ? " z" : "_z");
  std::string after(braced ? "} " : " ");
  after.append(rest).push_back('\n');
  plan.AddCommon(plan.Keep(before), true, plan.Keep(after));
}

}  // namespace

void PlanNDR(std::string_view text, const NameIndex& index, const SubnetMap& map, SubnetPlan& plan) {
  LineCursor lines(text);
  std::string_view view;
  for (; lines.Next(view); plan.NextLine()) {
    Line line{view};
    int32_t cursor = FirstNonBlank(line);
    if (IsCommentLine(line) || cursor == line.Length()) {
      plan.AddCommon(view, false, "\n");
      continue;
    }
    char key = line.At(cursor);
    ++cursor;
    if (key == 'h') {
      PlanNetName(line, cursor, plan);
    } else if (key == 'p') {
      std::string_view name = ReadRecordName(line, cursor);
      int32_t p = index.places.Find(name, HashName(name));
      if (p == 0) return plan.FailHere(MakeFailure(kExitBadInput, std::string("unknown place: ").append(name)));
      if (map.SX[p] != 0) plan.AddFor(map.SX[p], view);
      if (map.SY[p] != 0) plan.AddFor(map.SY[p], view);
      if (map.SQ[p] != 0) plan.AddFor(map.SQ[p], view);
    } else if (key == 't') {
      std::string_view name = ReadRecordName(line, cursor);
      int32_t t = index.transitions.Find(name, HashName(name));
      if (t == 0) return plan.FailHere(MakeFailure(kExitBadInput, std::string("unknown transition: ").append(name)));
      plan.AddFor(map.SubNet[t], view);
    } else if (key == 'e') {
      EdgeNames edge = ReadEdgeNames(line, cursor);
      uint32_t source_hash = HashName(edge.source);
      uint32_t target_hash = HashName(edge.target);
      int32_t t = 0;
      if (index.places.Find(edge.source, source_hash) != 0) {
        t = index.transitions.Find(edge.target, target_hash);
      } else if ((t = index.transitions.Find(edge.source, source_hash)) != 0 &&
                 index.places.Find(edge.target, target_hash) == 0) {
        t = 0;
      }
      if (t == 0) {
        std::string text_of = std::string("unknown arc: ").append(edge.source).append(" -> ").append(edge.target);
        return plan.FailHere(MakeFailure(kExitBadInput, text_of));
      }
      plan.AddFor(map.SubNet[t], view);
    }
  }
}

}  // namespace vantira
