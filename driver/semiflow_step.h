// The semiflows of a run, asked for with -p and -t: computed once the
// subnets are known, and told as a failure when the solver had to stop.
#pragma once

#include <vector>

#include "base/subnet_map.h"
#include "decompose/semiflow_report.h"
#include "driver/options.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// The P-semiflows (with -p), then the T-semiflows (with -t). Progress goes
// to standard error when that is a terminal.
std::vector<SemiflowAnswer> ComputeSemiflows(const NetStore& store, const NetValues& values, const Options& options);

// "*** too many semiflows" (status 3) when an answer is incomplete.
void CheckSemiflowsComplete(const std::vector<SemiflowAnswer>& answers);

}  // namespace vantira
