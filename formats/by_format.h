// The reader and the subnet-file planner of a format, chosen in one place.
#pragma once

#include <string_view>

#include "decompose/subnet_map.h"
#include "formats/grammar.h"
#include "formats/recognize.h"
#include "formats/subnet_plan.h"
#include "store/name_index.h"
#include "store/net_store.h"

namespace vantira {

// ReadNET or ReadNDR.
void ReadByFormat(Format format, Grammar grammar, std::string_view text, NetStore& store, NameIndex& index,
                  GrammarHint& hint);

// Builds the adjacency index from the arc lists. The same arc may be given on
// several lines of a net description, and counts once there; a drawing keeps
// every edge it lists.
void IndexByFormat(Format format, NetStore& store);

// PlanNDR or PlanNET, then the plan's grouping by subnet.
void PlanByFormat(Format format, Grammar grammar, std::string_view text, const NameIndex& index, const SubnetMap& map,
                  SubnetPlan& plan);

}  // namespace vantira
