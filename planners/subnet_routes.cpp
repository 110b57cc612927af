#include "planners/subnet_routes.h"

#include <algorithm>
#include <vector>

namespace vantira {

std::string_view SubnetRules::OneSide(std::string_view record, bool, SubnetPlan&) { return record; }

void SubnetRules::Units(SubnetPlan&) {}

namespace {

// The subnets whose files keep a record that follows a node: a
// transition's, or those a place is an input, internal or output place of
// (at most two: a place internal to a subnet is nothing else).
void AddSubnets(int32_t follows, const SubnetMap& map, std::vector<int32_t>& subnets) {
  if (follows < 0) {
    subnets.push_back(map.SubNet[-follows]);
    return;
  }
  for (int32_t subnet : {map.SX[follows], map.SQ[follows], map.SY[follows]}) {
    if (subnet != 0) subnets.push_back(subnet);
  }
}

// The one subnet that holds every transition of group `group`; 0 when they
// lie in several, one is no transition, or the group is empty.
int32_t GroupSubnet(const NetLayout& layout, int32_t group, const SubnetMap& map) {
  int32_t subnet = 0;
  const auto g = static_cast<std::size_t>(group);
  for (uint32_t i = layout.group_start[g]; i < layout.group_start[g + 1]; ++i) {
    const int32_t t = layout.group_items[i];
    if (t == 0 || (subnet != 0 && map.SubNet[t] != subnet)) return 0;
    subnet = map.SubNet[t];
  }
  return subnet;
}

}  // namespace

void RouteRecords(std::string_view text, const NetLayout& layout, const SubnetMap& map, SubnetRules& rules,
                  SubnetPlan& plan) {
  std::size_t done = 0;
  // Bytes up to `to` that no record takes; gaps between neighbouring records
  // are mostly empty and give no piece, so every file does not pay for them.
  auto keep_to = [&](std::size_t to) {
    if (to <= done) return;
    plan.AddCommon(text.substr(done, to - done));
    plan.NextLine();
    done = to;
  };
  const std::vector<NetLayout::Record>& records = layout.records;
  std::vector<int32_t> subnets;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const NetLayout::Record& record = records[i];
    keep_to(record.begin);
    if (layout.fault && i == layout.fault_at) return plan.FailHere(*layout.fault);
    const std::string_view bytes = text.substr(record.begin, record.end - record.begin);
    switch (record.route) {
      case NetLayout::Route::kFollows: {
        std::size_t last = i;
        while (last + 1 < records.size() && records[last + 1].begin == record.begin &&
               records[last + 1].route == NetLayout::Route::kFollows) {
          ++last;
        }
        subnets.clear();
        for (std::size_t j = i; j <= last; ++j) AddSubnets(records[j].follows, map, subnets);
        if (last > i) {
          std::sort(subnets.begin(), subnets.end());
          subnets.erase(std::unique(subnets.begin(), subnets.end()), subnets.end());
        }
        for (int32_t subnet : subnets) plan.AddFor(subnet, bytes);
        i = last;
        break;
      }
      case NetLayout::Route::kPlace: {
        // A place's producers all lie in one subnet, and so do its
        // consumers, so each side goes whole to one file.
        const int32_t p = record.follows;
        if (map.SQ[p] != 0) {
          plan.AddFor(map.SQ[p], bytes);
          break;
        }
        if (map.SX[p] != 0) plan.AddFor(map.SX[p], rules.OneSide(bytes, false, plan));
        if (map.SY[p] != 0) plan.AddFor(map.SY[p], rules.OneSide(bytes, true, plan));
        break;
      }
      case NetLayout::Route::kAllIn:
        if (const int32_t k = GroupSubnet(layout, record.follows, map)) plan.AddFor(k, bytes);
        break;
      case NetLayout::Route::kNowhere:
        break;
      case NetLayout::Route::kCommon:
        rules.Common(bytes, plan);
        break;
      case NetLayout::Route::kUnits:
        rules.Units(plan);
        break;
    }
    plan.NextLine();
    done = std::max<std::size_t>(done, record.end);
  }
  keep_to(text.size());
}

}  // namespace vantira
