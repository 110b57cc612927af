// The structural analysis of a run, asked for with -a and --bound: the sets
// of places found in the net as soon as it is read, the analysis once the
// subnets are known.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/analysis.h"
#include "base/subnet_map.h"
#include "driver/options.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

bool WantsAnalysis(const Options& options);

// Each --bound set as distinct places, in the order first named. A name that
// is no place ends the run with "*** unknown place: NAME" and status 4.
std::vector<std::vector<int32_t>> BoundSets(const NetStore& store, const Options& options);

Analysis AnalyseNet(const NetStore& store, const NetValues& values, const SubnetMap& map, const Options& options,
                    const std::vector<std::vector<int32_t>>& sets);

}  // namespace vantira
