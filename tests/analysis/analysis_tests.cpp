// The analysis against slow references: the classes from their definitions
// on dense matrices, the bounds against every reachable marking of small
// nets, every certificate checked again here in 128-bit arithmetic.
#include <glpk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include <map>
#include <random>
#include <set>
#include <vector>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/analysis.h"
#include "analysis/classes.h"
#include "base/failure.h"
#include "decompose/decompose.h"
#include "decompose/partition.h"
#include "formats/by_format.h"
#include "store/adjacency.h"
#include "store/net_store.h"

namespace vantira {
namespace {

__extension__ typedef __int128 Wide;

// A random net: pre[p][t] and post[p][t] weights, markings, names p1.., t1..
struct Dense {
  int m = 0, n = 0;
  std::vector<std::vector<int64_t>> pre, post;
  std::vector<int64_t> m0;
  int64_t C(int p, int t) const { return post[p][t] - pre[p][t]; }
};

Dense RandomNet(std::mt19937& rng, int m, int n, int density, int weight, int tokens, bool sources) {
  Dense d;
  d.m = m;
  d.n = n;
  d.pre.assign(m, std::vector<int64_t>(n, 0));
  d.post = d.pre;
  d.m0.assign(m, 0);
  for (int p = 0; p < m; ++p) {
    for (int t = 0; t < n; ++t) {
      if (static_cast<int>(rng() % 100) < density) d.pre[p][t] = 1 + static_cast<int64_t>(rng() % weight);
      if (static_cast<int>(rng() % 100) < density) d.post[p][t] = 1 + static_cast<int64_t>(rng() % weight);
    }
    d.m0[p] = static_cast<int64_t>(rng() % (tokens + 1));
  }
  if (!sources) {
    // Every transition takes a token somewhere, so most nets stay small.
    for (int t = 0; t < n; ++t) {
      bool any = false;
      for (int p = 0; p < m; ++p) any |= d.pre[p][t] > 0;
      if (!any && m > 0) d.pre[static_cast<int>(rng() % m)][t] = 1;
    }
  }
  return d;
}

struct Built {
  NetStore store;
  NetValues values;
  SubnetMap map;
};

void Build(const Dense& d, Built& b) {
  AllocateStore(b.store);
  for (int p = 0; p < d.m; ++p) AddPlace(b.store, std::string(1, 'p').append(std::to_string(p + 1)));
  for (int t = 0; t < d.n; ++t) AddTransition(b.store, std::string(1, 't').append(std::to_string(t + 1)));
  b.values.marking.assign(static_cast<std::size_t>(d.m) + 1, 0);
  for (int p = 0; p < d.m; ++p) b.values.marking[static_cast<std::size_t>(p) + 1] = d.m0[p];
  for (int t = 0; t < d.n; ++t) {
    for (int p = 0; p < d.m; ++p) {
      if (d.pre[p][t] > 0) {
        AppendApt(b.store, p + 1, t + 1, ArcStore::kLists);
        b.values.arcs.push_back({p + 1, t + 1, false, d.pre[p][t]});
      }
      if (d.post[p][t] > 0) {
        AppendAtp(b.store, t + 1, p + 1, ArcStore::kLists);
        b.values.arcs.push_back({p + 1, t + 1, true, d.post[p][t]});
      }
    }
  }
  CreateIOPT(b.store);
  Decompose(b.store, b.map);
}

// The classes from their definitions, over the places P and transitions T
// given, arcs of T only.
std::array<bool, kStructurallyBounded> ReferenceClasses(const Dense& d, const std::vector<int>& P,
                                                        const std::vector<int>& T) {
  std::array<bool, kStructurallyBounded> r{};
  auto inputs = [&](int t) {
    std::set<int> s;
    for (int p : P)
      if (d.pre[p][t]) s.insert(p);
    return s;
  };
  auto outputs = [&](int t) {
    std::set<int> s;
    for (int p : P)
      if (d.post[p][t]) s.insert(p);
    return s;
  };
  auto consumers = [&](int p) {
    std::set<int> s;
    for (int t : T)
      if (d.pre[p][t]) s.insert(t);
    return s;
  };
  auto producers = [&](int p) {
    std::set<int> s;
    for (int t : T)
      if (d.post[p][t]) s.insert(t);
    return s;
  };
  r[kOrdinary] = r[kPure] = r[kStateMachine] = r[kMarkedGraph] = r[kFreeChoice] = r[kExtendedFreeChoice] = true;
  r[kConservative] = r[kSubconservative] = true;
  for (int t : T) {
    Wide in = 0, out = 0;
    for (int p : P) {
      if (d.pre[p][t] > 1 || d.post[p][t] > 1) r[kOrdinary] = false;
      if (d.pre[p][t] && d.post[p][t]) r[kPure] = false;
      in += d.pre[p][t];
      out += d.post[p][t];
    }
    if (inputs(t).size() != 1 || outputs(t).size() != 1) r[kStateMachine] = false;
    if (in != out) r[kConservative] = false;
    if (out > in) r[kSubconservative] = false;
    if (inputs(t).empty()) r[kSourceTransition] = true;
    if (outputs(t).empty()) r[kSinkTransition] = true;
  }
  for (int p : P) {
    if (producers(p).size() != 1 || consumers(p).size() != 1) r[kMarkedGraph] = false;
    if (consumers(p).size() > 1) {
      for (int t : consumers(p))
        if (inputs(t) != std::set<int>{p}) r[kFreeChoice] = false;
    }
    for (int q : P) {
      std::set<int> a = consumers(p), b = consumers(q), common;
      for (int t : a)
        if (b.count(t)) common.insert(t);
      if (!common.empty() && a != b) r[kExtendedFreeChoice] = false;
    }
    if (producers(p).empty()) r[kSourcePlace] = true;
    if (consumers(p).empty()) r[kSinkPlace] = true;
  }
  // Reachability by closure on nodes: places 0..|P|-1, transitions after.
  const int k = static_cast<int>(P.size() + T.size());
  std::vector<std::vector<bool>> arc(k, std::vector<bool>(k, false));
  for (std::size_t i = 0; i < P.size(); ++i) {
    for (std::size_t j = 0; j < T.size(); ++j) {
      if (d.pre[P[i]][T[j]]) arc[i][P.size() + j] = true;
      if (d.post[P[i]][T[j]]) arc[P.size() + j][i] = true;
    }
  }
  auto closure = [k](std::vector<std::vector<bool>> a) {
    for (int i = 0; i < k; ++i) a[i][i] = true;
    for (int via = 0; via < k; ++via)
      for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) a[i][j] = a[i][j] || (a[i][via] && a[via][j]);
    return a;
  };
  auto both = arc;
  for (int i = 0; i < k; ++i)
    for (int j = 0; j < k; ++j) both[i][j] = arc[i][j] || arc[j][i];
  const auto directed = closure(arc), undirected = closure(both);
  r[kConnected] = r[kStronglyConnected] = true;
  for (int i = 0; i < k; ++i) {
    for (int j = 0; j < k; ++j) {
      if (!undirected[i][j]) r[kConnected] = false;
      if (!directed[i][j]) r[kStronglyConnected] = false;
    }
  }
  return r;
}

// y >= 0 (y_p > 0 for `positive`), y.C <= 0 over the transitions `T`.
bool ChecksWeighting(const Dense& d, const SparseVector& y, const std::vector<int>& T) {
  std::vector<Wide> w(d.m, 0);
  for (std::size_t i = 0; i < y.nodes.size(); ++i) {
    if (!y.values[i].IsSmall() || y.values[i].Small() <= 0) return false;
    w[y.nodes[i] - 1] = y.values[i].Small();
  }
  for (int t : T) {
    Wide sum = 0;
    for (int p = 0; p < d.m; ++p) sum += w[p] * d.C(p, t);
    if (sum > 0) return false;
  }
  return true;
}

// C.s for firing counts s >= 0; empty when a count is not positive.
std::vector<Wide> RayImage(const Dense& d, const SparseVector& s) {
  std::vector<Wide> image(d.m, 0);
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    if (!s.values[i].IsSmall() || s.values[i].Small() <= 0) return {};
    for (int p = 0; p < d.m; ++p) image[p] += static_cast<Wide>(s.values[i].Small()) * d.C(p, s.nodes[i] - 1);
  }
  return image;
}

Wide Weigh(const Dense& d, const SparseVector& y, int p, Wide* yp) {
  Wide total = 0;
  *yp = 0;
  for (std::size_t i = 0; i < y.nodes.size(); ++i) {
    total += static_cast<Wide>(y.values[i].Small()) * d.m0[y.nodes[i] - 1];
    if (y.nodes[i] == p + 1) *yp = y.values[i].Small();
  }
  return total;
}

// Every reachable marking's largest entry per place, or empty past `limit` markings.
std::vector<int64_t> Explore(const Dense& d, std::size_t limit) {
  std::set<std::vector<int64_t>> seen{d.m0};
  std::vector<std::vector<int64_t>> stack{d.m0};
  std::vector<int64_t> most = d.m0;
  while (!stack.empty()) {
    const std::vector<int64_t> marking = stack.back();
    stack.pop_back();
    for (int t = 0; t < d.n; ++t) {
      bool enabled = true;
      for (int p = 0; p < d.m; ++p) enabled &= marking[p] >= d.pre[p][t];
      if (!enabled) continue;
      std::vector<int64_t> next = marking;
      for (int p = 0; p < d.m; ++p) next[p] += d.C(p, t);
      if (!seen.insert(next).second) continue;
      if (seen.size() > limit) return {};
      for (int p = 0; p < d.m; ++p) most[p] = std::max(most[p], next[p]);
      stack.push_back(next);
    }
  }
  return most;
}

std::vector<int> All(int k) {
  std::vector<int> v(k);
  for (int i = 0; i < k; ++i) v[i] = i;
  return v;
}

// The classes of the net and of each subnet against their definitions, and
// each subnet's certificate of structural boundedness where it has one;
// counts the subnets that have none.
void CheckClasses(const Dense& d, const SubnetMap& map, const Analysis& a, const std::string& label, int& unknown) {
  const auto expected = ReferenceClasses(d, All(d.m), All(d.n));
  for (int c = 0; c < kStructurallyBounded; ++c) {
    EXPECT_EQ(a.net.holds[c], expected[c]) << label << " class " << ClassKey(static_cast<NetClass>(c));
  }
  for (int k = 1; k <= map.iSubNet; ++k) {
    std::vector<int> P, T;
    for (int p = 1; p <= d.m; ++p) {
      if (map.SX[p] == k || map.SQ[p] == k || map.SY[p] == k) P.push_back(p - 1);
    }
    for (int t = 1; t <= d.n; ++t) {
      if (map.SubNet[t] == k) T.push_back(t - 1);
    }
    const auto sub = ReferenceClasses(d, P, T);
    const Classes& got = a.subnets[static_cast<std::size_t>(k - 1)];
    for (int c = 0; c < kStructurallyBounded; ++c) {
      EXPECT_EQ(got.holds[c], sub[c]) << label << " subnet " << k << " " << ClassKey(static_cast<NetClass>(c));
    }
    if (!got.holds[kStructurallyBounded]) {
      ++unknown;
    } else if (*got.holds[kStructurallyBounded]) {
      EXPECT_EQ(got.weighting.nodes.size(), P.size()) << label;
      EXPECT_TRUE(ChecksWeighting(d, got.weighting, T)) << label;
    } else {
      const std::vector<Wide> image = RayImage(d, got.ray);
      ASSERT_FALSE(image.empty()) << label;
      bool gains = false;
      for (int p : P) {
        EXPECT_GE(image[p], 0) << label;
        gains |= image[p] > 0;
      }
      EXPECT_TRUE(gains) << label;
    }
  }
}

// Place p's bound (0-based) against its certificate and, when `most` is
// known, every reachable marking; true when the walk met the bound.
bool CheckPlaceBound(const Dense& d, const Bounds& bounds, int p, const std::vector<int64_t>& most,
                     const std::string& label) {
  const Bound& bound = bounds.places[static_cast<std::size_t>(p) + 1];
  EXPECT_TRUE(bound.upper || bound.unbounded) << label << " p" << p + 1 << " not certified";
  if (bound.unbounded) {
    const std::vector<Wide> image = RayImage(d, bounds.rays[static_cast<std::size_t>(bound.certificate)]);
    EXPECT_FALSE(image.empty()) << label;
    if (image.empty()) return false;
    for (Wide v : image) EXPECT_GE(v, 0) << label;
    // A ray need not be fireable: a net of finitely many markings may
    // have one, the state equation then proves no bound.
    EXPECT_GT(image[p], 0) << label;
    return false;
  }
  if (!bound.upper) return false;
  const SparseVector& y = bounds.weightings[static_cast<std::size_t>(bound.certificate)];
  EXPECT_TRUE(ChecksWeighting(d, y, All(d.n))) << label;
  Wide yp = 0;
  const Wide total = Weigh(d, y, p, &yp);
  EXPECT_GT(yp, 0) << label;
  if (yp <= 0) return false;
  EXPECT_EQ(static_cast<int64_t>(total / yp), bound.upper->Small()) << label;
  EXPECT_LE(bound.lower.Small(), bound.upper->Small()) << label;
  if (!most.empty()) {
    EXPECT_LE(most[p], bound.upper->Small()) << label << " p" << p + 1;
    EXPECT_LE(bound.lower.Small(), most[p]) << label << " p" << p + 1;
  }
  return bound.Exact();
}

// max M(p) subject to M = M0 + C.s, M >= 0, s >= 0, solved by GLPK in
// rational arithmetic on its own: the floor of the optimum, or empty when the
// program is unbounded.
std::optional<int64_t> ExactOptimum(const Dense& d, int p) {
  glp_term_out(GLP_OFF);
  glp_prob* lp = glp_create_prob();
  glp_set_obj_dir(lp, GLP_MAX);
  glp_add_rows(lp, d.m);
  glp_add_cols(lp, d.n);
  std::vector<int> row{0}, column{0};
  std::vector<double> value{0};
  for (int q = 0; q < d.m; ++q) {
    glp_set_row_bnds(lp, q + 1, GLP_LO, -static_cast<double>(d.m0[q]), 0);
    for (int t = 0; t < d.n; ++t) {
      if (d.C(q, t) == 0) continue;
      row.push_back(q + 1);
      column.push_back(t + 1);
      value.push_back(static_cast<double>(d.C(q, t)));
    }
  }
  for (int t = 0; t < d.n; ++t) {
    glp_set_col_bnds(lp, t + 1, GLP_LO, 0, 0);
    glp_set_obj_coef(lp, t + 1, static_cast<double>(d.C(p, t)));
  }
  glp_load_matrix(lp, static_cast<int>(row.size() - 1), row.data(), column.data(), value.data());
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  const int result = glp_exact(lp, &parm);
  const int status = glp_get_status(lp);
  const double optimum = glp_get_obj_val(lp) + static_cast<double>(d.m0[p]);
  glp_delete_prob(lp);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(status == GLP_OPT || status == GLP_UNBND) << status;
  if (status != GLP_OPT) return std::nullopt;
  // Small whole numbers: the rational optimum is never within 1e-9 of a
  // whole number above it.
  return static_cast<int64_t>(std::floor(optimum + 1e-9));
}

TEST(Analysis, ClassesOfRandomNetsAndSubnetsMatchTheDefinitions) {
  std::mt19937 rng(38);
  for (int round = 0; round < 300; ++round) {
    const Dense d = RandomNet(rng, 1 + round % 6, 1 + (round / 6) % 6, 15 + round % 40, 1 + round % 3, 2, true);
    Built b;
    Build(d, b);
    const Analysis a = Analyse(b.store, b.values, b.map, {true, true, {}, {}});
    int unknown = 0;
    CheckClasses(d, b.map, a, "round " + std::to_string(round), unknown);
    EXPECT_EQ(unknown, 0) << round;
  }
}

TEST(Analysis, BoundsHoldEveryReachableMarkingAndTheirCertificatesCheck) {
  std::mt19937 rng(3838);
  int explored = 0, exact = 0, unbounded = 0, places = 0;
  for (int round = 0; round < 400; ++round) {
    const bool sources = round % 5 == 0;  // some nets grow without end
    const Dense d = RandomNet(rng, 2 + round % 5, 1 + round % 5, 30, 1 + round % 2, 2, sources);
    Built b;
    Build(d, b);
    std::vector<std::vector<int32_t>> sets{{1, static_cast<int32_t>(d.m)}};
    const Analysis a = Analyse(b.store, b.values, b.map, {false, true, sets, {}});
    const Bounds& bounds = a.bounds;
    const std::vector<int64_t> most = Explore(d, 20000);
    if (!most.empty()) ++explored;
    for (int p = 0; p < d.m; ++p) {
      ++places;
      unbounded += bounds.places[static_cast<std::size_t>(p) + 1].unbounded;
      exact += CheckPlaceBound(d, bounds, p, most, "round " + std::to_string(round));
    }
    const Bound& set = bounds.sets[0];
    if (set.upper) {
      const SparseVector& y = bounds.weightings[static_cast<std::size_t>(set.certificate)];
      EXPECT_TRUE(ChecksWeighting(d, y, All(d.n)));
      Wide y1 = 0, ym = 0;
      const Wide total = Weigh(d, y, 0, &y1);
      Weigh(d, y, d.m - 1, &ym);
      ASSERT_GT(std::min(y1, ym), 0);
      EXPECT_EQ(static_cast<int64_t>(total / std::min(y1, ym)), set.upper->Small());
      if (!most.empty()) {
        EXPECT_LE(std::max(most[0], most[d.m - 1]), set.upper->Small());
      }
    } else {
      EXPECT_TRUE(set.unbounded);
    }
    // Safe only when proved, unsafe only when seen.
    if (bounds.safe == true && !most.empty()) {
      for (int64_t v : most) EXPECT_LE(v, 1);
    }
    if (bounds.safe == false) {
      bool two = false;
      for (int p = 0; p < d.m; ++p) two |= bounds.places[static_cast<std::size_t>(p) + 1].lower.Small() >= 2;
      EXPECT_TRUE(two);
    }
  }
  // The generator must give both kinds, and the walk must meet the bound often.
  EXPECT_GT(explored, 100);
  EXPECT_GT(unbounded, 20);
  EXPECT_GT(exact, places / 2);
}

// Every upper bound is the state equation's own, not a looser one, and no
// place takes more than one solve: the walk and other places' optima settle
// the rest.
TEST(Analysis, UpperBoundsAreTheFloorsOfTheExactOptimaInOneSolveEach) {
  std::mt19937 rng(4242);
  int bounded = 0, unbounded = 0, settled = 0;
  for (int round = 0; round < 300; ++round) {
    // One net in five holds no token: its parts are decided piece by piece,
    // with no solve; each place is then bounded again as a set of its own,
    // through the whole net's program, a cone solved through a perturbed one.
    const bool tokenless = round % 5 == 2;
    const Dense d = RandomNet(rng, 2 + round % 7, 1 + round % 6, 30, 1 + round % 3, tokenless ? 0 : 3, round % 4 == 0);
    Built b;
    Build(d, b);
    const Bounds bounds = Analyse(b.store, b.values, b.map, {false, true, {}, {}}).bounds;
    std::vector<std::vector<int32_t>> singles;
    for (int p = 0; p < d.m && tokenless; ++p) singles.push_back({p + 1});
    const Bounds sets = Analyse(b.store, b.values, b.map, {false, true, singles, {}}).bounds;
    int changed = 0;  // places with a nonzero row of C
    for (int p = 0; p < d.m; ++p) {
      bool moves = false;
      for (int t = 0; t < d.n; ++t) moves |= d.C(p, t) != 0;
      changed += moves;
      const std::optional<int64_t> optimum = ExactOptimum(d, p);
      for (const Bound* bound :
           {&bounds.places[static_cast<std::size_t>(p) + 1], tokenless ? &sets.sets[p] : nullptr}) {
        if (bound == nullptr) continue;
        if (!optimum) {
          EXPECT_TRUE(bound->unbounded) << "round " << round << " p" << p + 1;
          ++unbounded;
          continue;
        }
        ASSERT_TRUE(bound->upper) << "round " << round << " p" << p + 1;
        EXPECT_EQ(bound->upper->Small(), *optimum) << "round " << round << " p" << p + 1;
        ++bounded;
      }
    }
    if (tokenless) {
      EXPECT_EQ(bounds.solves + bounds.covers, 0) << round;
    }
    EXPECT_LE(bounds.solves, changed) << round;
    EXPECT_EQ(bounds.repairs, 0) << round;
    settled += changed - bounds.solves;
  }
  EXPECT_GT(bounded, 500);
  EXPECT_GT(unbounded, 50);
  EXPECT_GT(settled, 100);
}

// Sparse nets that hold no token, as tools generate them, large enough for
// pieces that are cut again and pieces that need their own program: every
// place is decided with no solve of its part, as the exact optimum (0, or
// none), and the certificates check.
TEST(Analysis, TokenlessNetsAreDecidedPieceByPiece) {
  std::mt19937 rng(3939);
  int unbounded = 0, bounded = 0;
  for (int round = 0; round < 16; ++round) {
    Dense d;
    d.m = 20 + 10 * round;
    d.n = d.m + static_cast<int>(rng() % 10);
    d.pre.assign(d.m, std::vector<int64_t>(d.n, 0));
    d.post = d.pre;
    d.m0.assign(d.m, 0);
    for (int t = 0; t < d.n; ++t) {
      // One transition in fifty takes nothing: a source of rays. Most move
      // one token on odd rounds, which makes cycles that keep their tokens.
      const bool one = round % 2 == 1 && rng() % 10 != 0;
      const int inputs = t % 50 == 7 ? 0 : one ? 1 : 1 + static_cast<int>(rng() % 3);
      const int outputs = one ? 1 : static_cast<int>(rng() % 4);
      for (int k = 0; k < inputs; ++k) d.pre[rng() % d.m][t] = 1 + (!one && rng() % 5 == 0);
      for (int k = 0; k < outputs; ++k) d.post[rng() % d.m][t] = 1 + (!one && rng() % 5 == 0);
    }
    Built b;
    Build(d, b);
    const Bounds bounds = Analyse(b.store, b.values, b.map, {false, true, {}, {}}).bounds;
    EXPECT_EQ(bounds.solves + bounds.covers, 0) << round;
    for (int p = 0; p < d.m; ++p) {
      const std::string label = "round " + std::to_string(round) + " p" + std::to_string(p + 1);
      CheckPlaceBound(d, bounds, p, {}, label);
      const Bound& bound = bounds.places[static_cast<std::size_t>(p) + 1];
      if (ExactOptimum(d, p)) {
        EXPECT_TRUE(bound.upper && bound.upper->Small() == 0) << label;
        ++bounded;
      } else {
        EXPECT_TRUE(bound.unbounded) << label;
        ++unbounded;
      }
    }
  }
  EXPECT_GT(unbounded, 20);
  EXPECT_GT(bounded, 300);
}

TEST(Analysis, SeedFixesTheWalk) {
  std::mt19937 rng(7);
  const Dense d = RandomNet(rng, 6, 6, 35, 2, 3, true);
  Built b;
  Build(d, b);
  AnalysisRequest request{false, true, {}, {}};
  request.walk.seed = 5;
  const Analysis first = Analyse(b.store, b.values, b.map, request);
  const Analysis second = Analyse(b.store, b.values, b.map, request);
  for (int p = 1; p <= d.m; ++p) {
    EXPECT_EQ(first.bounds.places[static_cast<std::size_t>(p)].lower,
              second.bounds.places[static_cast<std::size_t>(p)].lower);
  }
}

// Checks a net read from a file as the small nets above: the classes of the
// net and of its subnets against the definitions, every certificate, and
// the bounds against every reachable marking when there are few.
void CheckReadNet(const std::string& name, const std::string& contents, int& explored) {
  std::string text = contents;
  Built b;
  NameIndex index(b.store);
  AllocateStore(b.store);
  GrammarHint hint;
  const Format format = PrepareByFormat(text);
  TextBlocks input(text);
  ReadByFormat(format, Grammar::kBasic, input, {b.store, ArcStore::kLists, index, hint, nullptr, &b.values});
  PartitionArcs(b.store, ArcStore::kLists, b.map);
  Dense d;
  d.m = b.store.m;
  d.n = b.store.n;
  if (d.m + d.n > 300) return;
  d.pre.assign(d.m, std::vector<int64_t>(d.n, 0));
  d.post = d.pre;
  d.m0.assign(d.m, 0);
  for (int p = 0; p < d.m; ++p) d.m0[p] = b.values.marking[static_cast<std::size_t>(p) + 1];
  for (const WeightedArc& a : b.values.arcs) (a.output ? d.post : d.pre)[a.place - 1][a.transition - 1] += a.weight;
  const Analysis a = Analyse(b.store, b.values, b.map, {true, true, {}, {}});
  int unknown = 0;
  CheckClasses(d, b.map, a, name, unknown);
  const std::vector<int64_t> most = Explore(d, 50000);
  explored += !most.empty();
  for (int p = 0; p < d.m; ++p) CheckPlaceBound(d, a.bounds, p, most, name);
}

// The corpus of real nets beside the clone: its PNML models (with weights
// and markings) and its small line-format nets.
TEST(Analysis, CorpusNetsAgreeWithTheReferences) {
  const std::filesystem::path corpus(VANTIRA_CORPUS_DIR);
  if (!std::filesystem::is_directory(corpus / "pnml")) GTEST_SKIP() << "no corpus at " << corpus;
  int nets = 0, explored = 0;
  for (const char* folder : {"pnml", "net", "ndr"}) {
    if (!std::filesystem::is_directory(corpus / folder)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / folder)) {
      if (entry.file_size() > 120000) continue;
      std::ifstream file(entry.path(), std::ios::binary);
      std::stringstream contents;
      contents << file.rdbuf();
      try {
        CheckReadNet(entry.path().filename().string(), contents.str(), explored);
        ++nets;
      } catch (const Failure&) {
        // Nets this grammar refuses (-e constructs) are no analysis' concern.
      }
    }
  }
  EXPECT_GT(nets, 30);
  EXPECT_GT(explored, 10);
}

}  // namespace
}  // namespace vantira
