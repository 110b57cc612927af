// Subnet files of a net description (.net) input.
#pragma once

#include <string_view>

#include "base/subnet_map.h"
#include "formats/grammar.h"
#include "planners/subnet_plan.h"
#include "store/name_index.h"

namespace vantira {

// Plans every subnet file of a .net input: comment and blank lines go to all
// files, a transition line and its label lines to its subnet's file, a place
// line unchanged to the file of the subnet it is internal to, or rewritten
// with only the arcs of that subnet for the subnets it is an input or output
// place of, and the net line to all files with the subnet's number in the name.
// The wider grammar keeps a place's label in its rewritten lines, sends a
// priority line to the subnet that holds all its transitions, if one does,
// and a note line nowhere.
void PlanNET(std::string_view text, Grammar grammar, const NameIndex& index, const SubnetMap& map, SubnetPlan& plan);

}  // namespace vantira
