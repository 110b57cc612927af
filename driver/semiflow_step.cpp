#include "driver/semiflow_step.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <string>

#include "base/failure.h"
#include "base/output.h"
#include "semiflows/basis.h"
#include "semiflows/name_order.h"
#include "semiflows/net_system.h"

namespace vantira {

namespace {

// The default memory budget: half the physical memory, at most 8G, in whole
// MiB so that it reads as it is counted.
uint64_t DefaultMemory() {
  constexpr uint64_t kMost = uint64_t{8} << 30;
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page <= 0) return kMost;
  const uint64_t half = static_cast<uint64_t>(pages) / 2 * static_cast<uint64_t>(page);
  return std::max<uint64_t>(std::min(half, kMost) >> 20, 1) << 20;
}

std::string SizeText(uint64_t bytes) {
  if (bytes % (uint64_t{1} << 30) == 0) return std::to_string(bytes >> 30) + "G";
  return std::to_string(bytes >> 20) + "M";
}

SemiflowAnswer Solve(const NetStore& store, const SparseSystem& system, bool places, const Options& options) {
  SemiflowOptions solver;
  if (options.semiflow_limit != 0) solver.row_limit = options.semiflow_limit;
  solver.byte_limit = options.semiflow_memory != 0 ? options.semiflow_memory : DefaultMemory();
  if (options.semiflow_time > 0)
    solver.time_limit = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(options.semiflow_time));
  bool told = false;
  if (isatty(STDERR_FILENO) == 1) {
    // One line, rewritten in place, and wiped once the answer is in.
    solver.progress = [&told, places](const std::string& line) {
      told = true;
      WriteAll(
          STDERR_FILENO,
          std::string(places ? "\rvantira: P-semiflows: " : "\rvantira: T-semiflows: ").append(line).append("\x1b[K"));
    };
  }
  SemiflowAnswer answer;
  answer.places = places;
  answer.limit = solver.row_limit;
  answer.memory_budget = options.semiflow_memory != 0 ? options.semiflow_memory_text : SizeText(solver.byte_limit);
  answer.time_budget = options.semiflow_time_text;
  const auto start = std::chrono::steady_clock::now();
  answer.result = MinimalSemiflows(system, solver);
  if (told) WriteAll(STDERR_FILENO, "\r\x1b[K");
  // After a stop the basis is what the user gets instead; a row limit the
  // user set keeps the section it always had, unless --basis asks.
  const SemiflowResult::Stop stop = answer.result.stop;
  answer.with_basis = options.basis || (!answer.result.complete &&
                                        !(stop == SemiflowResult::Stop::kRows && options.semiflow_limit != 0));
  if (answer.with_basis) {
    // Within the time budget and a tenth more, for the basis after a stop at
    // it, and at least a twentieth from now (freeing the rows may take part
    // of the tenth); 10 s without one. Sparse nets take well under a second.
    const auto now = std::chrono::steady_clock::now();
    const auto deadline = options.semiflow_time > 0 ? std::max(start + solver.time_limit + solver.time_limit / 10,
                                                               now + solver.time_limit / 20)
                                                    : now + std::chrono::seconds(10);
    try {
      auto basis =
          SparserFlowBasis(system, BasisOrder(store, system, places), NameOrder(store, system, places), deadline);
      if (basis) {
        answer.basis = std::move(*basis);
      } else {
        answer.basis_missing = options.semiflow_time > 0 ? "not within the time budget" : "not within 10 s";
      }
    } catch (const std::bad_alloc&) {
      answer.basis.clear();
      answer.basis.shrink_to_fit();
      answer.basis_missing = "not enough memory";
    }
  }
  return answer;
}

}  // namespace

std::vector<SemiflowAnswer> ComputeSemiflows(const NetStore& store, const NetValues& values, const Options& options) {
  std::vector<SemiflowAnswer> answers;
  if (options.p_semiflows) answers.push_back(Solve(store, PlaceSystem(store, values), true, options));
  if (options.t_semiflows) answers.push_back(Solve(store, TransitionSystem(store, values), false, options));
  return answers;
}

void CheckSemiflowsComplete(const std::vector<SemiflowAnswer>& answers) {
  for (const SemiflowAnswer& answer : answers) {
    if (answer.result.complete) continue;
    const std::string side = answer.places ? "the P-semiflows" : "the T-semiflows";
    const std::string where = " (" + answer.result.stopped_at + ")";
    switch (answer.result.stop) {
      case SemiflowResult::Stop::kMemory:
        throw MakeFailure(kExitNoMemory, "too many semiflows")
            .Because(side + " need more than " + answer.memory_budget + " of memory" + where +
                     "; --semiflow-memory SIZE sets the budget");
      case SemiflowResult::Stop::kTime:
        throw MakeFailure(kExitNoMemory, "too many semiflows")
            .Because(side + " take more than " + answer.time_budget + " s" + where +
                     "; --semiflow-time SECONDS sets the budget");
      case SemiflowResult::Stop::kNoMemory:
        throw NoMemory().Because("not enough memory while computing semiflows (" + side + ", " +
                                 answer.result.stopped_at + "); --semiflow-memory SIZE sets the budget");
      default:
        throw MakeFailure(kExitNoMemory, "too many semiflows")
            .Because(side + " need more than " + std::to_string(answer.limit) + " rows" + where +
                     "; --semiflow-limit N sets the limit");
    }
  }
}

}  // namespace vantira
