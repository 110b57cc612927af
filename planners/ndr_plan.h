// Subnet files of a net drawing (.ndr) input.
#pragma once

#include <string_view>

#include "base/subnet_map.h"
#include "formats/grammar.h"
#include "planners/subnet_plan.h"
#include "store/name_index.h"

namespace vantira {

// Plans every subnet file of an .ndr input: comment and blank lines go to all
// files, each followed by an extra LF; net-name records to all files with the
// subnet's number in the name; a place record to every subnet the place is an
// input, internal or output place of; transition and edge records to their
// transition's subnet; other records nowhere. In the wider grammar an edge
// between two transitions goes to their subnet when they share one.
void PlanNDR(std::string_view text, Grammar grammar, const NameIndex& index, const SubnetMap& map, SubnetPlan& plan);

}  // namespace vantira
