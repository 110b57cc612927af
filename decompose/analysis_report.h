// The structural analysis in the report: its section of the text report,
// and its key in the JSON report.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/analysis.h"
#include "base/output.h"
#include "store/net_store.h"

namespace vantira {

// Heading, the net's classes one a line, with `full` the table of the
// subnets' classes; then with `full` one line per place, `P <= N (reached
// R)`, a line per set (`A+B <= N (reached R)`), the summary and `safe:`.
void WriteAnalysisSection(const NetStore& store, const Analysis& analysis,
                          const std::vector<std::vector<int32_t>>& sets, uint64_t seed, bool full, Output& out);

// ",\n" and the key "analysis", after the last key of the document.
void WriteJsonAnalysis(const NetStore& store, const Analysis& analysis, const std::vector<std::vector<int32_t>>& sets,
                       Output& out);

}  // namespace vantira
