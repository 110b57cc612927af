#include "analysis/bounds.h"

#include <algorithm>
#include <unordered_map>

#include "analysis/lp.h"

namespace vantira {

namespace {

Integer FromWide(TokenSum v) {
  if (v <= INT64_MAX) return Integer(static_cast<int64_t>(v));
  const TokenSum base = static_cast<TokenSum>(1) << 62;
  return Integer(static_cast<int64_t>(v / base)) * Integer(int64_t{1} << 62) + Integer(static_cast<int64_t>(v % base));
}

// Tolerances tried in turn when a weighting or ray read from the solver
// does not check: the answer's own error is unknown.
constexpr double kTolerances[] = {1e-9, 1e-7, 1e-5, 1e-11};

// How far a region grows (see Solve).
constexpr int32_t kRounds = 24;
constexpr int32_t kLocalRounds = 4;
// A net of at most kWholeNet places falls back on the whole state equation
// where its regions settle nothing; one of at most kCoverNet places starts
// with the cover (BoundSolver::Cover); past kWork (simplex iterations times
// rows and columns, summed over the solves), only that fallback is left, so that a large net
// ends in bounded time, the same for every run.
constexpr int32_t kWholeNet = 5000;
constexpr int32_t kCoverNet = 200000;
constexpr std::size_t kWork = 100000000;
// The simplex iterations of the cover, and of a place's whole program.
constexpr int kCoverIterations = 200000;
constexpr int kPlaceIterations = 2000;
constexpr std::size_t kMostRegion = 1000;
constexpr std::size_t kMostColumns = 2000;
// The work of building a region, in LpAnswer::work's units.
constexpr std::size_t kBuildWork = 5000;

class BoundSolver {
 public:
  BoundSolver(const TokenNet& net, Bounds& bounds) : net_(net), bounds_(bounds), checker_(net) {}

  // One weighting for every place at once, perhaps loose: the whole state
  // equation's dual for the sum of all places not yet settled. A ray takes
  // the places it gains on out of the sum, which is solved again, a few
  // times at most. Only on nets of at most kCoverNet places.
  void Cover() {
    if (net_.Places() > kCoverNet) return;
    for (int attempt = 0; attempt < 4; ++attempt) {
      std::vector<int32_t> open;
      for (int32_t p = 1; p <= net_.Places(); ++p) {
        const Bound& bound = bounds_.places[static_cast<std::size_t>(p)];
        if (!net_.Row(p).empty() && !bound.unbounded && !bound.upper) open.push_back(p);
      }
      if (open.empty()) return;
      if (!whole_) whole_.emplace(net_);
      ++bounds_.solves;
      const LpAnswer answer = whole_->Maximize(open, false, kCoverIterations);
      Bound sum;
      if (answer.status == LpAnswer::kOptimal) {
        if (Weighting(answer, open, sum)) return;
        ++bounds_.solves;
        const LpAnswer again = whole_->Maximize(open, true);
        if (again.status == LpAnswer::kOptimal) Weighting(again, open, sum);
        return;
      }
      if (answer.status != LpAnswer::kUnbounded || !Ray(answer, open, sum)) return;
    }
  }

  // Bounds the place (or the set) `places`, and every other place the
  // certificate reaches; `bound` stays as it was when no certificate checks.
  //
  // The state equation is solved on a region that starts with the places
  // and the places that the transitions which add to them take from. Places outside it that the
  // optimum's firing (or the ray) would make negative join it, and it is
  // solved again from the basis found, until none does: then its optimum is
  // the whole state equation's. After kLocalRounds solves the region also
  // grows by the input places of its transitions. After kRounds solves, or
  // past kMostRegion places, the best certified bound so far stands; it may
  // then be above the whole state equation's.
  void Solve(const std::vector<int32_t>& places, Bound& bound) {
    if (work_ > kWork) return;
    const bool settled = SolveInRegion(places, bound);
    if (settled || net_.Places() > kWholeNet || work_ > kWork) return;
    // The whole state equation, warm-started from the last place's basis.
    if (!whole_) whole_.emplace(net_);
    ++bounds_.solves;
    LpAnswer answer = whole_->Maximize(places, false, kPlaceIterations);
    work_ += answer.work;
    if (answer.status == LpAnswer::kOptimal) {
      if (Weighting(answer, places, bound)) return;
      ++bounds_.solves;
      answer = whole_->Maximize(places, true);
      if (answer.status == LpAnswer::kOptimal) Weighting(answer, places, bound);
    } else if (answer.status == LpAnswer::kUnbounded) {
      Ray(answer, places, bound);
    }
  }

 private:
  // True when the region's last solve was the whole state equation's and
  // its answer was certified.
  bool SolveInRegion(const std::vector<int32_t>& places, Bound& bound) {
    std::vector<int32_t> start = places;
    for (int32_t q : places) {
      for (const Weighted& t : net_.Row(q)) {
        if (t.weight < 0) continue;
        for (const Weighted& r : net_.Column(t.node)) {
          if (r.weight < 0) start.push_back(r.node);
        }
      }
    }
    // A region too wide from the start (a place that many transitions
    // change) is not built.
    std::size_t columns = 0;
    for (int32_t q : start) columns += net_.Row(q).size();
    if (columns > 4 * kMostColumns) return false;
    RegionLp lp(net_, places);
    lp.Add(start);
    work_ += kBuildWork + lp.Columns();
    for (int32_t round = 0; round < kRounds && lp.Size() <= kMostRegion && lp.Columns() <= kMostColumns; ++round) {
      ++bounds_.solves;
      const LpAnswer answer = lp.Maximize();
      work_ += answer.work;
      std::vector<int32_t> violated;
      if (answer.status == LpAnswer::kOptimal) {
        bool checked = Weighting(answer, places, bound);
        if (bound.Exact()) return true;
        violated = Violated(lp, answer.firing.transitions, answer.firing.counts, true);
        if (violated.empty()) {
          if (!checked) {
            // Once more in rational arithmetic from the basis found.
            ++bounds_.solves;
            const LpAnswer again = lp.Maximize(true);
            if (again.status == LpAnswer::kOptimal) checked = Weighting(again, places, bound);
          }
          return checked;
        }
      } else if (answer.status == LpAnswer::kUnbounded) {
        if (Ray(answer, places, bound)) return true;
        violated = Violated(lp, answer.nodes, answer.values, false);
        if (violated.empty()) return false;
      } else {
        return false;
      }
      // Past a few rounds the region also takes the places its transitions
      // take tokens from: once it holds them all, a firing or a ray of the
      // region keeps every other place nonnegative, and the next solve is
      // the last.
      if (round >= kLocalRounds) {
        for (int32_t q : lp.Places()) {
          for (const Weighted& t : net_.Row(q)) {
            for (const Weighted& r : net_.Column(t.node)) {
              if (r.weight < 0 && !lp.Holds(r.node)) violated.push_back(r.node);
            }
          }
        }
      }
      lp.Add(violated);
      work_ += lp.Columns();
    }
    return false;
  }

  // The places outside the region where M0 + C.s (with `marking`, else C.s)
  // is negative, in floating point, for the counts s of `transitions`.
  std::vector<int32_t> Violated(const RegionLp& lp, const std::vector<int32_t>& transitions,
                                const std::vector<double>& counts, bool marking) {
    outside_.clear();
    for (std::size_t i = 0; i < transitions.size(); ++i) {
      for (const Weighted& q : net_.Column(transitions[i])) {
        if (lp.Holds(q.node)) continue;
        outside_[q.node] += static_cast<double>(q.weight) * counts[i];
      }
    }
    std::vector<int32_t> violated;
    for (const auto& [q, change] : outside_) {
      const double tokens = marking ? static_cast<double>(net_.Marking(q)) : 0.0;
      if (tokens + change < -1e-9 * std::max(1.0, tokens)) violated.push_back(q);
    }
    std::sort(violated.begin(), violated.end());
    return violated;
  }

  bool Weighting(const LpAnswer& answer, const std::vector<int32_t>& places, Bound& bound) {
    for (double tolerance : kTolerances) {
      std::optional<SparseVector> y = WholeNumbers(answer.nodes, answer.values, tolerance);
      if (!y || !checker_.IsWeighting(*y)) continue;
      // The smallest weight among the places bounded; a place that no
      // transition changes may join with it, as C has no entry for it.
      std::optional<Integer> least;
      std::vector<int32_t> joining;
      bool weighs_all = true;
      for (int32_t q : places) {
        const auto at = std::lower_bound(y->nodes.begin(), y->nodes.end(), q);
        if (at != y->nodes.end() && *at == q) {
          const Integer& w = y->values[static_cast<std::size_t>(at - y->nodes.begin())];
          if (!least || w < *least) least = w;
        } else if (net_.Row(q).empty()) {
          joining.push_back(q);
        } else {
          weighs_all = false;
        }
      }
      if (!least || !weighs_all) continue;
      for (int32_t q : joining) {
        const auto at = std::lower_bound(y->nodes.begin(), y->nodes.end(), q);
        y->values.insert(y->values.begin() + (at - y->nodes.begin()), *least);
        y->nodes.insert(at, q);
      }
      const Integer total = checker_.Weigh(*y);
      const auto index = static_cast<int32_t>(bounds_.weightings.size());
      Offer(bound, FloorDivide(total, *least), index);
      // Every place it weighs is bounded by it too.
      for (std::size_t i = 0; i < y->nodes.size(); ++i) {
        Bound& other = bounds_.places[static_cast<std::size_t>(y->nodes[i])];
        Offer(other, FloorDivide(total, y->values[i]), index);
      }
      bounds_.weightings.push_back(std::move(*y));
      return true;
    }
    return false;
  }

  bool Ray(const LpAnswer& answer, const std::vector<int32_t>& places, Bound& bound) {
    for (double tolerance : kTolerances) {
      std::optional<SparseVector> s = WholeNumbers(answer.nodes, answer.values, tolerance);
      if (!s) continue;
      const std::vector<int32_t> gains = checker_.RayGains(*s);
      const bool covers = std::any_of(places.begin(), places.end(), [&gains](int32_t q) {
        return std::binary_search(gains.begin(), gains.end(), q);
      });
      if (!covers) continue;
      const auto index = static_cast<int32_t>(bounds_.rays.size());
      bounds_.rays.push_back(std::move(*s));
      Unbound(bound, index);
      for (int32_t q : gains) Unbound(bounds_.places[static_cast<std::size_t>(q)], index);
      return true;
    }
    return false;
  }

  static void Offer(Bound& bound, Integer upper, int32_t index) {
    if (bound.unbounded) return;  // both certified cannot be: the ray stands
    if (!bound.upper || upper < *bound.upper) {
      bound.upper = std::move(upper);
      bound.certificate = index;
    }
  }
  static void Unbound(Bound& bound, int32_t index) {
    if (bound.unbounded) return;
    bound.unbounded = true;
    bound.upper.reset();
    bound.certificate = index;
  }

  const TokenNet& net_;
  Bounds& bounds_;
  CertificateChecker checker_;
  std::unordered_map<int32_t, double> outside_;
  std::optional<StateEquation> whole_;
  std::size_t work_ = 0;  // of every solve but the cover's (LpAnswer::work)
};

}  // namespace

Bounds ComputeBounds(const TokenNet& net, const std::vector<std::vector<int32_t>>& sets, const WalkRule& rule) {
  Bounds bounds;
  const WalkResult walk = RandomWalk(net, sets, rule);
  bounds.places.resize(static_cast<std::size_t>(net.Places()) + 1);
  for (int32_t p = 1; p <= net.Places(); ++p) {
    Bound& bound = bounds.places[static_cast<std::size_t>(p)];
    bound.lower = Integer(walk.most[static_cast<std::size_t>(p)]);
    // No transition changes p: its marking is M0(p) for ever, y = e_p.
    if (net.Row(p).empty()) {
      bound.upper = Integer(net.Marking(p));
      bound.certificate = static_cast<int32_t>(bounds.weightings.size());
      bounds.weightings.push_back({{p}, {Integer(1)}});
    }
  }
  BoundSolver solver(net, bounds);
  solver.Cover();
  for (int32_t p = 1; p <= net.Places(); ++p) {
    Bound& bound = bounds.places[static_cast<std::size_t>(p)];
    if (bound.Exact() || bound.unbounded) continue;
    solver.Solve({p}, bound);
  }
  bounds.sets.resize(sets.size());
  for (std::size_t s = 0; s < sets.size(); ++s) {
    Bound& bound = bounds.sets[s];
    bound.lower = FromWide(walk.set_most[s]);
    // A ray that gains on one of the places gains on their sum.
    for (int32_t q : sets[s]) {
      const Bound& place = bounds.places[static_cast<std::size_t>(q)];
      if (place.unbounded) {
        bound.unbounded = true;
        bound.certificate = place.certificate;
      }
    }
    if (bound.unbounded) continue;
    bool trivial = true;  // only places no transition changes
    for (int32_t q : sets[s]) trivial &= net.Row(q).empty();
    if (trivial) {
      bound.upper = bound.lower;  // the walk sees M0
      SparseVector y;
      for (int32_t q : sets[s]) {
        y.nodes.push_back(q);
        y.values.emplace_back(1);
      }
      std::sort(y.nodes.begin(), y.nodes.end());
      bound.certificate = static_cast<int32_t>(bounds.weightings.size());
      bounds.weightings.push_back(std::move(y));
      continue;
    }
    solver.Solve(sets[s], bound);
  }
  bool all_safe = true;
  bool seen_two = false;
  for (int32_t p = 1; p <= net.Places(); ++p) {
    const Bound& bound = bounds.places[static_cast<std::size_t>(p)];
    all_safe &= bound.upper && !(Integer(1) < *bound.upper);
    seen_two |= Integer(1) < bound.lower;
  }
  if (all_safe) {
    bounds.safe = true;
  } else if (seen_two) {
    bounds.safe = false;
  }
  return bounds;
}

}  // namespace vantira
