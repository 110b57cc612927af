// The subnet-file planner of a format, chosen in one place.
#pragma once

#include <string_view>

#include "base/subnet_map.h"
#include "formats/grammar.h"
#include "formats/pnml_layout.h"
#include "formats/recognize.h"
#include "planners/subnet_plan.h"
#include "store/name_index.h"

namespace vantira {

// PlanNDR, PlanNET or PlanPNML, then the plan's grouping by subnet.
void PlanByFormat(Format format, Grammar grammar, std::string_view text, const NameIndex& index,
                  const PnmlLayout& layout, const SubnetMap& map, SubnetPlan& plan);

}  // namespace vantira
