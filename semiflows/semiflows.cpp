#include "semiflows/semiflows.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <utility>

#include "base/c_array.h"
#include "base/disjoint_sets.h"
#include "semiflows/contraction.h"
#include "semiflows/elimination.h"

namespace vantira {
namespace {

// The connected parts of the system: variables joined by a shared equation,
// numbered by their lowest variable. A minimal semiflow lies within one
// part, so each is solved on its own.
std::vector<std::vector<int32_t>> Parts(const SparseSystem& s) {
  DisjointSets sets(static_cast<std::size_t>(s.variables));
  std::vector<int32_t> first(static_cast<std::size_t>(s.equations), -1);
  for (int32_t v = 0; v < s.variables; ++v) {
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) {
      int32_t& f = first[s.equation[k]];
      if (f < 0) {
        f = v;
      } else {
        sets.Union(v, f);
      }
    }
  }
  CArray<int32_t> number;
  std::vector<std::vector<int32_t>> parts(static_cast<std::size_t>(sets.Number(0, number)));
  for (int32_t v = 0; v < s.variables; ++v)
    parts[static_cast<std::size_t>(number[static_cast<std::size_t>(v)] - 1)].push_back(v);
  return parts;
}

// The part's own system: its variables in order, its equations renumbered
// in order of their first appearance.
SparseSystem PartSystem(const SparseSystem& s, const std::vector<int32_t>& vars, std::vector<int32_t>& local_eq) {
  SparseSystem part;
  part.variables = static_cast<int32_t>(vars.size());
  part.start.push_back(0);
  std::vector<int32_t> touched;
  for (int32_t v : vars) {
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) {
      int32_t& local = local_eq[s.equation[k]];
      if (local < 0) {
        local = part.equations++;
        touched.push_back(s.equation[k]);
      }
    }
  }
  std::vector<std::pair<int32_t, int64_t>> column;
  for (int32_t v : vars) {
    column.clear();
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k)
      column.emplace_back(local_eq[s.equation[k]], s.coefficient[k]);
    std::sort(column.begin(), column.end());
    for (const auto& [e, c] : column) {
      part.equation.push_back(e);
      part.coefficient.push_back(c);
    }
    part.start.push_back(static_cast<int64_t>(part.equation.size()));
  }
  for (int32_t e : touched) local_eq[e] = -1;
  return part;
}

bool ByVariables(const Semiflow& a, const Semiflow& b) { return a.variables < b.variables; }

// The elimination part by part; the semiflows sorted when `sort`.
SemiflowResult Solve(const SparseSystem& system, const SemiflowOptions& options, bool sort) {
  SemiflowResult result;
  RowBudget budget;
  budget.limit = options.row_limit;
  budget.byte_limit = options.byte_limit;
  budget.timed = options.time_limit.count() > 0;
  if (budget.timed) budget.deadline = std::chrono::steady_clock::now() + options.time_limit;
  const auto parts = Parts(system);
  std::vector<int32_t> local_eq(static_cast<std::size_t>(system.equations), -1);
  auto last = std::chrono::steady_clock::now();
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const auto& vars = parts[p];
    const SparseSystem part = PartSystem(system, vars, local_eq);
    const StepReport step = [&](int32_t eliminated, uint64_t held) {
      const auto now = std::chrono::steady_clock::now();
      if (!options.progress || now - last < std::chrono::milliseconds(500)) return;
      last = now;
      options.progress("part " + std::to_string(p + 1) + " of " + std::to_string(parts.size()) + ": " +
                       std::to_string(eliminated) + " of " + std::to_string(part.equations) +
                       " equations eliminated, " + std::to_string(held) + " rows held");
    };
    EliminationOutcome outcome = Eliminate(part, budget, step, options);
    if (!outcome.complete) {
      result.complete = false;
      result.stop = outcome.stop;
      result.semiflows.clear();
      result.semiflows.shrink_to_fit();
      result.stopped_at = "part " + std::to_string(p + 1) + " of " + std::to_string(parts.size()) + ": " +
                          std::to_string(outcome.eliminated) + " of " + std::to_string(part.equations) +
                          " equations eliminated, " + std::to_string(outcome.held) + " rows held";
      return result;
    }
    for (auto& flow : outcome.semiflows) {
      for (auto& v : flow.variables) v = vars[v];  // increasing, so the order holds
      budget.held += 1;
      result.semiflows.push_back(std::move(flow));
    }
  }
  if (sort) std::sort(result.semiflows.begin(), result.semiflows.end(), ByVariables);
  return result;
}

// The contraction, the elimination of what is left, the semiflows expanded back.
SemiflowResult Minimal(const SparseSystem& system, const SemiflowOptions& options) {
  if (!options.contract) return Solve(system, options, true);
  const Contraction contraction = Contract(system);
  // Without merges the numbering is kept in order and the sort holds.
  const bool merged = contraction.member.size() > static_cast<std::size_t>(contraction.reduced.variables);
  SemiflowResult result = Solve(contraction.reduced, options, !merged);
  if (!result.complete) {
    if (contraction.merged > 0 || contraction.zeros > 0)
      result.stopped_at = "after contracting " + std::to_string(contraction.merged) + " of " +
                          std::to_string(system.equations) + " equations and " + std::to_string(contraction.zeros) +
                          " variables forced to zero, " + result.stopped_at;
    return result;
  }
  for (auto& flow : result.semiflows) Expand(contraction, flow);
  if (merged) std::sort(result.semiflows.begin(), result.semiflows.end(), ByVariables);
  return result;
}

}  // namespace

SemiflowResult MinimalSemiflows(const SparseSystem& system, const SemiflowOptions& options) {
  try {
    return Minimal(system, options);
  } catch (const std::bad_alloc&) {
    // Outside the elimination (the contraction, the parts, the answer's
    // lists): nothing of the rows is left to tell.
    SemiflowResult result;
    result.complete = false;
    result.stop = SemiflowResult::Stop::kNoMemory;
    result.stopped_at = "before the elimination or after it";
    return result;
  }
}

}  // namespace vantira
