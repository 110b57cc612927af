// The one planner of subnet files: it routes the records a reader noted
// (formats/net_layout.h) to the files of their subnets, and the bytes between
// records to every file. A format adds only the rules for the records it
// rewrites.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/subnet_map.h"
#include "formats/net_layout.h"
#include "planners/subnet_plan.h"

namespace vantira {

class SubnetRules {
 public:
  virtual ~SubnetRules() = default;
  // A kCommon record: the pieces every file holds in its place.
  virtual void Common(std::string_view record, SubnetPlan& plan) = 0;
  // A kPlace record, for the file of a subnet that only produces into the
  // place (`producers`) or only consumes from it.
  virtual std::string_view OneSide(std::string_view record, bool producers, SubnetPlan& plan);
  // A kUnits record: each file's own piece.
  virtual void Units(SubnetPlan& plan);
};

// Plans every subnet file of `text` as `layout` describes it. A fault the
// layout holds ends every file before its record. Elements that an entity's
// replacement text holds all lie at the entity reference, which cannot be
// split: records with one begin go as one, to every file that keeps one of
// them. The plan is grouped by subnet afterwards (SubnetPlan::Finish).
void RouteRecords(std::string_view text, const NetLayout& layout, const SubnetMap& map, SubnetRules& rules,
                  SubnetPlan& plan);

}  // namespace vantira
