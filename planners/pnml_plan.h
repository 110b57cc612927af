// Subnet files of a PNML input.
#pragma once

#include <string_view>

#include "base/subnet_map.h"
#include "formats/pnml_layout.h"
#include "planners/subnet_plan.h"

namespace vantira {

// Plans every subnet file of a PNML input as a filtered copy of its bytes:
// everything outside the node and arc elements goes to all files, with the
// file's subnet number spliced into the net's name text; a node or arc
// element goes to the files of the subnets it follows (a transition's, an
// arc's transition's; those a place is an input, internal or output place
// of) and is cut from the others, with its lines when it has them alone;
// the NUPN block is each file's own (nupn_plan.h), or none in any file when
// `layout.nupn_fault` says why.
void PlanPNML(std::string_view text, const PnmlLayout& layout, const SubnetMap& map, SubnetPlan& plan);

}  // namespace vantira
