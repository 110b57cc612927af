#include "planners/ndr_plan.h"

#include <string>

#include "formats/bad_input.h"
#include "formats/input_text.h"
#include "formats/ndr_reader.h"
#include "formats/ndr_record.h"

namespace vantira {

namespace {

// "h name_zK rest", where rest is what followed the name on the line, its
// LF included.
void PlanNetName(const NdrRecord& record, SubnetPlan& plan) {
  std::string rest = " ";
  rest.append(record.rest).push_back('\n');
  AddNetName(plan, "h ", record.name, rest);
}

}  // namespace

void PlanNDR(std::string_view text, Grammar grammar, const NameIndex& index, const SubnetMap& map, SubnetPlan& plan) {
  NdrRecord record;
  LineCursor lines(text);
  std::string_view view;
  for (; lines.Next(view); plan.NextLine()) {
    ParseNdrRecord(Line{view}, record);
    switch (record.kind) {
      case NdrRecord::Kind::kSkip:
        plan.AddCommon(view, false, "\n");
        break;
      case NdrRecord::Kind::kNetName:
        PlanNetName(record, plan);
        break;
      case NdrRecord::Kind::kPlace: {
        int32_t p = index.places.Find(record.name, record.hash);
        if (p == 0) {
          return plan.FailHere(NotRead(plan, "place", record.name));
        }
        if (map.SX[p] != 0) plan.AddFor(map.SX[p], view);
        if (map.SY[p] != 0) plan.AddFor(map.SY[p], view);
        if (map.SQ[p] != 0) plan.AddFor(map.SQ[p], view);
        break;
      }
      case NdrRecord::Kind::kTransition: {
        int32_t t = index.transitions.Find(record.name, record.hash);
        if (t == 0) {
          return plan.FailHere(NotRead(plan, "transition", record.name));
        }
        plan.AddFor(map.SubNet[t], view);
        break;
      }
      case NdrRecord::Kind::kEdge: {
        // An edge goes with its transition, whatever its direction.
        const EdgeEnds ends = ResolveEdge(index, record);
        if (ends.transition == 0 && grammar == Grammar::kWide) {
          if (const PriorityEnds priority = ResolvePriority(index, record); priority.source != 0) {
            const int32_t k = map.SubNet[priority.source];
            if (map.SubNet[priority.target] == k) plan.AddFor(k, view);
            break;
          }
        }
        if (ends.transition == 0) {
          return plan.FailHere(
              UnknownArc(record.name, record.target).Because(UnknownArcReason(index, record, grammar, plan.Line())));
        }
        plan.AddFor(map.SubNet[ends.transition], view);
        break;
      }
      case NdrRecord::Kind::kOther:
        break;
    }
  }
}

}  // namespace vantira
