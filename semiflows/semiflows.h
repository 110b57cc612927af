// The minimal semiflows of a homogeneous system A.x = 0, x >= 0, over the
// integers: the nonnegative integer solutions of minimal support, each scaled
// to gcd 1. They are unique and generate every nonnegative solution.
//
// The solver is a pure function over a sparse matrix: it knows no net, no
// file and no report. For the P-semiflows of a net the variables are its
// places and the equations its transitions (column p holds C[p][t] for every
// t); for the T-semiflows the variables are the transitions and the
// equations the places.
// docs/semiflows.md explains the algorithm, once, and its measurements.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "semiflows/integer.h"

namespace vantira {

// A sparse matrix by variables: the coefficients of variable v are
// coefficient[start[v] .. start[v+1]) in the equations
// equation[start[v] .. start[v+1]), equations ascending within a variable,
// no zero coefficient. start has variables + 1 entries.
struct SparseSystem {
  int32_t variables = 0;
  int32_t equations = 0;
  std::vector<int64_t> start;
  std::vector<int32_t> equation;
  std::vector<int64_t> coefficient;
};

struct SemiflowOptions {
  // The most rows (candidate semiflows) held at once; past it the run stops
  // and the result says it is incomplete.
  uint64_t row_limit = 1000000;
  // The most bytes the rows and their supports may hold, counted as each
  // row is made (with the allocator's overhead and the solver's lists of
  // it); past it the run stops likewise. 0: no such cap.
  uint64_t byte_limit = 0;
  // The longest the elimination may take, from its start; 0: no such cap.
  // The clock is read every few thousand pairs, so the stop comes soon after.
  std::chrono::steady_clock::duration time_limit{0};
  // Called now and then from the solving thread with a one-line account of
  // the progress, for a terminal; may be empty.
  std::function<void(const std::string&)> progress;
  // Both cores may be used where the work splits; 1 keeps to one thread.
  int threads = 2;
  // When the minimal-support test switches from its lists to a tree (see
  // elimination.cpp); 0 always takes the tree, so tests can compare both.
  double tree_cost = 128;
  // Whether the system is first made smaller (contraction.h): two-variable
  // equations of opposite signs merge their variables, variables forced to
  // zero go. Never changes the answer; false lets tests compare both.
  bool contract = true;
};

// One minimal semiflow: variables ascending, weights positive, gcd 1.
struct Semiflow {
  std::vector<int32_t> variables;
  std::vector<Integer> weights;
};

struct SemiflowResult {
  // Every minimal semiflow when complete, sorted by their variable lists
  // compared lexicographically; when not complete, nothing to be relied on.
  std::vector<Semiflow> semiflows;
  bool complete = true;
  // Why it is not: the row cap, the byte cap, the time cap, or an
  // allocation that failed (the rows made so far are then freed).
  enum class Stop { kNone, kRows, kMemory, kTime, kNoMemory };
  Stop stop = Stop::kNone;
  // When not complete: how far the computation got, in words, e.g.
  // "part 1 of 3: 12 of 40 equations eliminated, 1000000 rows held". The
  // parts, equations and rows are those of the system after the contraction
  // (see `contract`); when it changed anything, that is said first, e.g.
  // "after contracting 30 of 70 equations and 2 variables forced to zero, ".
  std::string stopped_at;
};

SemiflowResult MinimalSemiflows(const SparseSystem& system, const SemiflowOptions& options);

}  // namespace vantira
