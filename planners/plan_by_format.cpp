#include "planners/plan_by_format.h"

#include "planners/ndr_plan.h"
#include "planners/net_plan.h"
#include "planners/pnml_plan.h"

namespace vantira {

void PlanByFormat(Format format, Grammar grammar, std::string_view text, const NameIndex& index,
                  const PnmlLayout& layout, const SubnetMap& map, SubnetPlan& plan) {
  switch (format) {
    case Format::kNdr:
      PlanNDR(text, grammar, index, map, plan);
      break;
    case Format::kPnml:
      PlanPNML(text, layout, map, plan);
      break;
    case Format::kNet:
      PlanNET(text, grammar, index, map, plan);
      break;
  }
  plan.Finish(map.iSubNet);
}

}  // namespace vantira
