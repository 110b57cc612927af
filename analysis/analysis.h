// The structural analysis of a net (-a, --bound): the classes of the net and
// of its subnets, and the certified bounds of its places and of sets of
// places. A pure function of the store, the weights and markings, and the
// subnets.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/bounds.h"
#include "analysis/classes.h"
#include "analysis/walk.h"
#include "base/subnet_map.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

struct AnalysisRequest {
  bool classes = false;                    // -a
  bool bounds = false;                     // -a or --bound
  std::vector<std::vector<int32_t>> sets;  // --bound: distinct places each
  WalkRule walk;
};

struct Analysis {
  bool has_classes = false;
  bool has_bounds = false;
  Classes net;
  std::vector<Classes> subnets;  // subnet k at k - 1
  Bounds bounds;
};

// A repeated arc whose weights add up past 2^63 - 1 throws a Failure
// (status 2).
Analysis Analyse(const NetStore& store, const NetValues& values, const SubnetMap& map, const AnalysisRequest& request);

}  // namespace vantira
