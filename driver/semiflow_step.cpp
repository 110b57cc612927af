#include "driver/semiflow_step.h"

#include <unistd.h>

#include <string>

#include "base/failure.h"
#include "base/output.h"
#include "semiflows/net_system.h"

namespace vantira {

namespace {

SemiflowAnswer Solve(const SparseSystem& system, bool places, const Options& options) {
  SemiflowOptions solver;
  if (options.semiflow_limit != 0) solver.row_limit = options.semiflow_limit;
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
  answer.result = MinimalSemiflows(system, solver);
  if (told) WriteAll(STDERR_FILENO, "\r\x1b[K");
  return answer;
}

}  // namespace

std::vector<SemiflowAnswer> ComputeSemiflows(const NetStore& store, const NetValues& values, const SubnetMap& map,
                                             const Options& options) {
  std::vector<SemiflowAnswer> answers;
  if (options.p_semiflows) answers.push_back(Solve(PlaceSystem(store, values, map), true, options));
  if (options.t_semiflows) answers.push_back(Solve(TransitionSystem(store, values, map), false, options));
  return answers;
}

void CheckSemiflowsComplete(const std::vector<SemiflowAnswer>& answers) {
  for (const SemiflowAnswer& answer : answers) {
    if (answer.result.complete) continue;
    throw MakeFailure(kExitNoMemory, "too many semiflows")
        .Because(std::string(answer.places ? "the P-semiflows" : "the T-semiflows")
                     .append(" need more than ")
                     .append(std::to_string(answer.limit))
                     .append(" rows (")
                     .append(answer.result.stopped_at)
                     .append("); --semiflow-limit N sets the limit"));
  }
}

}  // namespace vantira
