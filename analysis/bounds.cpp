#include "analysis/bounds.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_map>

#include "analysis/lp.h"
#include "analysis/pieces.h"
#include "base/platform_tuning.h"

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

// A place's tokens at a solver's optimum are taken as reached when they are
// within this (relative, and at most kMostOff) of a whole number above them:
// the optimum's firing is a vertex read in floating point. Too small a
// tolerance costs only a solve more.
constexpr double kPointTolerance = 1e-9;
constexpr double kMostOff = 1e-3;
// Tokens past this at an optimum count only up to it.
constexpr double kMostPoint = 4e18;
// The places' solves share a fixed amount of work, counted in simplex
// iterations times the size of the program solved, never in time, so that
// every run gives the same report; past it the places left are bounded on
// regions (BoundSolver::Regions).
constexpr std::size_t kWork = 1000000000;
// The pieces' programs (pieces.h) share a budget of their own: a part
// strongly connected as a whole is one piece, whose program may cost more
// than the solves it saves. Where a part holds tokens the solves come after
// the pieces anyway, and the pieces stop sooner.
constexpr std::size_t kPieceWork = 1000000000;
constexpr std::size_t kMarkedPieceWork = 100000000;
// The simplex iterations of a cover.
constexpr int kCoverIterations = 200000;
// A part of more places is bounded on regions (BoundSolver::Regions): its
// solves would take too long.
constexpr std::size_t kExactPart = 10000;
// How far a region grows (see SolveInRegion), and the regions' budget, in
// the same units as kWork and the work of building a region.
constexpr int32_t kRounds = 24;
constexpr int32_t kLocalRounds = 4;
constexpr std::size_t kMostRegion = 1000;
constexpr std::size_t kMostColumns = 2000;
constexpr std::size_t kRegionWork = 100000000;
constexpr std::size_t kBuildWork = 5000;

// The connected parts of the token net, each its places linked through the
// transitions that change them, depth first from its smallest place: one
// place's objective is then a neighbour of the next one's, and the optimum
// the solve goes on from is near (breadth first, which jumps from branch to
// branch, takes nearly twice the simplex iterations). Places no transition
// changes are in none.
std::vector<std::vector<int32_t>> Parts(const TokenNet& net) {
  std::vector<std::vector<int32_t>> parts;
  std::vector<bool> placed(static_cast<std::size_t>(net.Places()) + 1, false);
  std::vector<bool> crossed(static_cast<std::size_t>(net.Transitions()) + 1, false);
  std::vector<int32_t> stack;
  for (int32_t first = 1; first <= net.Places(); ++first) {
    if (placed[static_cast<std::size_t>(first)] || net.Row(first).empty()) continue;
    std::vector<int32_t>& part = parts.emplace_back();
    stack.assign(1, first);
    placed[static_cast<std::size_t>(first)] = true;
    while (!stack.empty()) {
      const int32_t p = stack.back();
      stack.pop_back();
      part.push_back(p);
      // Pushed last to first, so that the first transition's places come next.
      const std::span<const Weighted> row = net.Row(p);
      for (auto t = row.rbegin(); t != row.rend(); ++t) {
        if (crossed[static_cast<std::size_t>(t->node)]) continue;
        crossed[static_cast<std::size_t>(t->node)] = true;
        for (const Weighted& q : net.Column(t->node)) {
          if (placed[static_cast<std::size_t>(q.node)]) continue;
          placed[static_cast<std::size_t>(q.node)] = true;
          stack.push_back(q.node);
        }
      }
    }
  }
  return parts;
}

class BoundSolver {
 public:
  BoundSolver(const TokenNet& net, Bounds& bounds, const WalkResult& walk)
      : net_(net), bounds_(bounds), checker_(net), seen_(walk.most), change_(seen_.size(), 0.0), listed_(seen_.size(), false),
        solved_(seen_.size(), false) {}

  // Every place of every part, one solve at most each, the part's program
  // going on from the last place's optimum. A place is settled, and needs
  // none, once a certified bound of it is no more than the tokens of a point
  // of the state equation seen so far (a marking the walk reached, or an
  // optimum of another place): the bound is then the program's floor.
  void Places() {
    for (const std::vector<int32_t>& order : Parts(net_)) {
      std::vector<int32_t> rows = order;
      std::sort(rows.begin(), rows.end());
      Pieces(rows);
      const auto settled = [this](int32_t q) { return Settled(q, bounds_.places[static_cast<std::size_t>(q)]); };
      if (std::all_of(rows.begin(), rows.end(), settled)) continue;
      StateEquation lp(net_, rows);
      Cover(lp, rows);
      if (rows.size() > kExactPart) {
        Regions(rows);
        continue;
      }
      for (int32_t p : order) {
        Bound& bound = bounds_.places[static_cast<std::size_t>(p)];
        if (Settled(p, bound)) continue;
        if (work_ > kWork) break;
        Solve(lp, {p}, bound);
        solved_[static_cast<std::size_t>(p)] = true;
      }
      // Past the budget the places left are bounded on regions, as those
      // of a large part.
      if (work_ > kWork) Regions(rows);
    }
  }

  // The places of a part too large for a solve of the whole part per place,
  // or left past the budget: regions of it, within a work budget of their
  // own, after which the places left keep the cover's bound.
  void Regions(const std::vector<int32_t>& rows) {
    for (int32_t p : rows) {
      Bound& bound = bounds_.places[static_cast<std::size_t>(p)];
      if (bound.Exact() || bound.unbounded || solved_[static_cast<std::size_t>(p)] || region_work_ > kRegionWork) {
        continue;
      }
      SolveInRegion({p}, bound);
    }
  }

  // A set of places, over the state equation of every part (on regions,
  // as a large part's places, when that is too large).
  void Set(const std::vector<int32_t>& places, Bound& bound) {
    if (!whole_) {
      std::vector<int32_t> rows;
      for (int32_t q = 1; q <= net_.Places(); ++q) {
        if (!net_.Row(q).empty()) rows.push_back(q);
      }
      if (rows.size() > kExactPart) {
        SolveInRegion(places, bound);
        return;
      }
      whole_.emplace(net_, rows);
    }
    std::vector<int32_t> changed;
    for (int32_t q : places) {
      if (!net_.Row(q).empty()) changed.push_back(q);
    }
    Solve(*whole_, changed, bound, places);
  }

 private:
  // One weighting for every place of the part at once, perhaps loose: the
  // dual of the sum of the places not yet settled. A ray takes the places it
  // gains on out of the sum, which is solved again, a few times at most.
  void Cover(StateEquation& lp, const std::vector<int32_t>& rows) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      std::vector<int32_t> open;
      for (int32_t q : rows) {
        if (!Settled(q, bounds_.places[static_cast<std::size_t>(q)])) open.push_back(q);
      }
      if (open.size() < 2) return;
      ++bounds_.covers;
      const LpAnswer answer = lp.Maximize(open, false, kCoverIterations);
      work_ += answer.work;
      Bound sum;
      if (answer.status == LpAnswer::kOptimal) {
        See(answer.firing);
        if (Weighting(answer, open, sum)) return;
        ++bounds_.repairs;
        const LpAnswer again = lp.Maximize(open, true);
        if (again.status == LpAnswer::kOptimal) Weighting(again, open, sum);
        return;
      }
      if (answer.status != LpAnswer::kUnbounded || !Ray(answer, open, sum)) return;
    }
  }

  // A part's rays and one weighting (pieces.h): where it holds no token,
  // every place settled at once. What does not check is left to the solves.
  void Pieces(const std::vector<int32_t>& rows) {
    const bool marked = std::any_of(rows.begin(), rows.end(), [this](int32_t q) { return net_.Marking(q) != 0; });
    std::optional<PieceCertificates> answer =
        CertifyByPieces(net_, rows, piece_work_, marked ? kMarkedPieceWork : kPieceWork);
    if (!answer) return;
    if (!answer->ray.nodes.empty()) {
      const std::vector<int32_t> gains = checker_.RayGains(answer->ray);
      if (!gains.empty()) AddRay(std::move(answer->ray), gains);
    }
    if (!answer->weighting.nodes.empty() && checker_.IsWeighting(answer->weighting)) {
      AddWeighting(std::move(answer->weighting));
    }
  }

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
    region_work_ += kBuildWork + lp.Columns();
    for (int32_t round = 0; round < kRounds && lp.Size() <= kMostRegion && lp.Columns() <= kMostColumns; ++round) {
      ++bounds_.solves;
      const LpAnswer answer = lp.Maximize();
      region_work_ += answer.work;
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
      region_work_ += lp.Columns();
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

  bool Settled(int32_t p, const Bound& bound) const {
    return bound.unbounded || (bound.upper && !(Integer(seen_[static_cast<std::size_t>(p)]) < *bound.upper));
  }

  // `all` are the places bounded, `places` those of them in the program.
  void Solve(StateEquation& lp, const std::vector<int32_t>& places, Bound& bound) { Solve(lp, places, bound, places); }
  void Solve(StateEquation& lp, const std::vector<int32_t>& places, Bound& bound, const std::vector<int32_t>& all) {
    ++bounds_.solves;
    const LpAnswer answer = lp.Maximize(places);
    work_ += answer.work;
    if (answer.status == LpAnswer::kOptimal) {
      See(answer.firing);
      // A weighting that does not check, or that rounds to a bound above
      // the optimum's, is repaired in rational arithmetic from the basis.
      if (Weighting(answer, all, bound) && !Above(bound, answer.value)) return;
      ++bounds_.repairs;
      const LpAnswer again = lp.Maximize(places, true);
      if (again.status == LpAnswer::kOptimal) Weighting(again, all, bound);
    } else if (answer.status == LpAnswer::kUnbounded) {
      Ray(answer, all, bound);
    }
  }

  static bool Above(const Bound& bound, double value) {
    if (!bound.upper || value >= kMostPoint) return false;
    return Integer(static_cast<int64_t>(Floor(value))) < *bound.upper;
  }

  static double Floor(double tokens) {
    return std::floor(tokens + std::min(kMostOff, kPointTolerance * std::max(1.0, std::fabs(tokens))));
  }

  // The tokens of every place at an optimum's firing s: M0 + C.s.
  void See(const SparseFiring& firing) {
    touched_.clear();
    for (std::size_t i = 0; i < firing.transitions.size(); ++i) {
      for (const Weighted& q : net_.Column(firing.transitions[i])) {
        if (!listed_[static_cast<std::size_t>(q.node)]) touched_.push_back(q.node);
        listed_[static_cast<std::size_t>(q.node)] = true;
        change_[static_cast<std::size_t>(q.node)] += static_cast<double>(q.weight) * firing.counts[i];
      }
    }
    for (int32_t q : touched_) {
      double& change = change_[static_cast<std::size_t>(q)];
      const double tokens = std::min(static_cast<double>(net_.Marking(q)) + change, kMostPoint);
      change = 0.0;
      listed_[static_cast<std::size_t>(q)] = false;
      const double reached = Floor(tokens);
      int64_t& seen = seen_[static_cast<std::size_t>(q)];
      if (reached > static_cast<double>(seen)) seen = static_cast<int64_t>(reached);
    }
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
      Offer(bound, FloorDivide(checker_.Weigh(*y), *least), static_cast<int32_t>(bounds_.weightings.size()));
      AddWeighting(std::move(*y));
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
      Unbound(bound, static_cast<int32_t>(bounds_.rays.size()));
      AddRay(std::move(*s), gains);
      return true;
    }
    return false;
  }

  // A checked weighting bounds every place it weighs.
  void AddWeighting(SparseVector y) {
    const Integer total = checker_.Weigh(y);
    const auto index = static_cast<int32_t>(bounds_.weightings.size());
    for (std::size_t i = 0; i < y.nodes.size(); ++i) {
      Offer(bounds_.places[static_cast<std::size_t>(y.nodes[i])], FloorDivide(total, y.values[i]), index);
    }
    bounds_.weightings.push_back(std::move(y));
  }

  // A checked ray unbounds every place it gains on.
  void AddRay(SparseVector s, const std::vector<int32_t>& gains) {
    const auto index = static_cast<int32_t>(bounds_.rays.size());
    for (int32_t q : gains) Unbound(bounds_.places[static_cast<std::size_t>(q)], index);
    bounds_.rays.push_back(std::move(s));
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
  std::vector<int64_t> seen_;  // per place: the most tokens of a point of the state equation seen
  std::vector<double> change_;  // per place, scratch of See
  std::vector<bool> listed_;     // per place: in touched_
  std::vector<int32_t> touched_;
  std::vector<bool> solved_;  // per place: its own program solved
  std::optional<StateEquation> whole_;
  std::size_t work_ = 0;  // of every solve (LpAnswer::work)
  std::unordered_map<int32_t, double> outside_;
  std::size_t region_work_ = 0;  // of the regions' solves and builds
  std::size_t piece_work_ = 0;   // of the pieces' programs
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
  const KeepFreedBlocks keep;  // GLPK allocates its working arrays on every solve
  BoundSolver solver(net, bounds, walk);
  solver.Places();
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
    solver.Set(sets[s], bound);
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
