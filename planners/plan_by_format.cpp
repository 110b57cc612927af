#include "planners/plan_by_format.h"

#include "planners/format_rules.h"

namespace vantira {

void PlanByFormat(Format format, Grammar grammar, std::string_view text, const NetLayout& layout, const SubnetMap& map,
                  SubnetPlan& plan) {
  switch (format) {
    case Format::kNdr:
      WriteNDR(text, layout, map, plan);
      break;
    case Format::kPnml:
      WritePNML(text, layout, map, plan);
      break;
    case Format::kNet:
      WriteNET(text, grammar, layout, map, plan);
      break;
  }
  plan.Finish(map.iSubNet);
}

}  // namespace vantira
