// The subnet-file writer step of a format, chosen in one place.
#pragma once

#include <string_view>

#include "base/subnet_map.h"
#include "formats/grammar.h"
#include "formats/net_layout.h"
#include "formats/recognize.h"
#include "planners/subnet_plan.h"

namespace vantira {

// WriteNDR, WriteNET or WritePNML on the layout the reader noted, then the
// plan's grouping by subnet.
void PlanByFormat(Format format, Grammar grammar, std::string_view text, const NetLayout& layout, const SubnetMap& map,
                  SubnetPlan& plan);

}  // namespace vantira
