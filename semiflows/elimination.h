// The elimination on one connected system: Farkas' method over sparse rows,
// keeping only combinations of minimal support, in a greedy order.
// docs/semiflows.md (the algorithm, steps 3 to 9) explains it step by step.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "semiflows/semiflows.h"

namespace vantira {

// The rows and bytes held by every elimination of one run, against the
// run's caps, and its deadline.
struct RowBudget {
  std::atomic<uint64_t> held{0};
  uint64_t limit = 0;
  std::atomic<uint64_t> bytes{0};
  uint64_t byte_limit = 0;  // 0: none
  bool timed = false;
  std::chrono::steady_clock::time_point deadline;
  // How far the elimination in hand got, for an allocation that fails.
  int32_t eliminated = 0;
  uint64_t last_held = 0;
};

struct EliminationOutcome {
  std::vector<Semiflow> semiflows;  // in the system's own variable numbers, unsorted
  bool complete = true;
  SemiflowResult::Stop stop = SemiflowResult::Stop::kNone;
  int32_t eliminated = 0;  // equations eliminated when it stopped
  uint64_t held = 0;       // rows of the run held when it stopped
};

// Called after each equation eliminated, with the count so far and the rows held.
using StepReport = std::function<void(int32_t eliminated, uint64_t held)>;

// The minimal semiflows of `system`; stops incomplete when one of the
// budget's caps is passed, or its deadline, or an allocation fails.
// Exact: starts in checked 64-bit arithmetic and, at the first overflow,
// starts again with Integer. With options.threads 2 the pairs of an
// equation are split between two threads when there are many.
EliminationOutcome Eliminate(const SparseSystem& system, RowBudget& budget, const StepReport& step,
                             const SemiflowOptions& options);

}  // namespace vantira
