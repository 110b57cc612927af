#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "semiflows/integer.h"
#include "semiflows/semiflows.h"
#include "semiflows/support_tree.h"
#include "tests/semiflows/reference.h"
#include "tests/semiflows/semiflow_checks.h"

using namespace vantira;
using namespace vantira::testing;

namespace {

__extension__ using Int128 = __int128;  // the oracle for Integer's 64-bit edges
__extension__ using Uint128 = unsigned __int128;

}  // namespace

TEST(Integer, AgreesWithWideArithmeticAroundTheLimits) {
  const Int128 edge = static_cast<Int128>(INT64_MAX);
  const std::vector<int64_t> values = {0,
                                       1,
                                       -1,
                                       2,
                                       -3,
                                       3037000499,
                                       -3037000500,
                                       INT64_MAX,
                                       INT64_MIN,
                                       INT64_MAX - 1,
                                       INT64_MIN + 1,
                                       int64_t{1} << 62,
                                       -(int64_t{1} << 62)};
  const auto text = [](Int128 n) {
    std::string s;
    const bool negative = n < 0;
    Uint128 m = negative ? 0 - static_cast<Uint128>(n) : static_cast<Uint128>(n);
    do s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    while ((m /= 10) != 0);
    return negative ? "-" + s : s;
  };
  for (int64_t a : values) {
    for (int64_t b : values) {
      const Int128 x = a, y = b;
      EXPECT_EQ((Integer(a) + Integer(b)).ToString(), text(x + y)) << a << " + " << b;
      EXPECT_EQ((Integer(a) - Integer(b)).ToString(), text(x - y)) << a << " - " << b;
      EXPECT_EQ((Integer(a) * Integer(b)).ToString(), text(x * y)) << a << " * " << b;
      const Integer product = Integer(a) * Integer(b);
      EXPECT_EQ(product.IsSmall(), x * y >= -edge - 1 && x * y <= edge) << a << " * " << b;
      if (b != 0) {
        EXPECT_EQ(Integer(product).DivideExact(Integer(b)), Integer(a)) << a << " * " << b << " / " << b;
      }
      EXPECT_EQ(Integer(a) < Integer(b), a < b);
      EXPECT_EQ(product == Integer(a) * Integer(b), true);
    }
  }
  // A wide value back to 64 bits after a cancellation, and a gcd of wide values.
  const Integer big = Integer(INT64_MAX) * Integer(6);
  EXPECT_FALSE(big.IsSmall());
  EXPECT_TRUE((big - Integer(INT64_MAX) * Integer(5)).IsSmall());
  EXPECT_EQ(Gcd(big, Integer(INT64_MAX) * Integer(4)), Integer(INT64_MAX) * Integer(2));
  EXPECT_EQ(Gcd(Integer(INT64_MIN), Integer(0)).ToString(), "9223372036854775808");
  EXPECT_EQ(Gcd(Integer(-12), Integer(18)), Integer(6));
}

TEST(MinimalSemiflows, MatchesTheReferenceOnRandomSmallSystems) {
  std::mt19937 random(29);
  std::size_t found = 0;
  for (int round = 0; round < 600; ++round) {
    const int variables = std::uniform_int_distribution<int>(1, 9)(random);
    const int equations = std::uniform_int_distribution<int>(1, 6)(random);
    const Dense a = RandomDense(random, variables, equations);
    const SparseSystem s = FromDense(a, variables);
    SemiflowOptions options, tree;
    options.threads = round % 2 + 1;
    tree.tree_cost = 0;  // the minimal-support test by the tree at every equation
    tree.contract = round % 3 != 0;  // and the elimination of the whole system now and then
    const SemiflowResult result = MinimalSemiflows(s, options);
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(AnswerFaults(s, result), "") << "round " << round;
    const auto expected = Sorted(ReferenceSemiflows(a, variables));
    ASSERT_EQ(Sorted(ToDense(result, variables)), expected) << "round " << round;
    ASSERT_EQ(Sorted(ToDense(MinimalSemiflows(s, tree), variables)), expected) << "round " << round;
    found += expected.size();
  }
  EXPECT_GT(found, 600u);  // the rounds are not mostly empty
}

TEST(MinimalSemiflows, GoesWidePastSixtyFourBitsAndBackWhenItFits) {
  const int64_t max = INT64_MAX, min = INT64_MIN;
  const int64_t p = 1099511627791, q = 1099511627689, r = 1099511627773, t = 1099511627803;  // primes near 2^40
  struct Case {
    Dense a;
    std::vector<std::string> weights;  // of the one semiflow
  };
  const std::vector<Case> cases = {
      {{{max, -max}}, {"1", "1"}},
      {{{max, -2}}, {"2", "9223372036854775807"}},
      {{{min, 1}}, {"1", "9223372036854775808"}},
      {{{max - 1, -max}}, {"9223372036854775807", "9223372036854775806"}},
      // x1 = q.t, x2 = p.t, x3 = p.r: past 64 bits, through two eliminations.
      {{{p, -q, 0}, {0, r, -t}},
       {(Integer(q) * Integer(t)).ToString(), (Integer(p) * Integer(t)).ToString(),
        (Integer(p) * Integer(r)).ToString()}},
  };
  for (const Case& c : cases) {
    // Contracted, these are merges; the elimination itself must go wide too.
    for (const bool contract : {true, false}) {
      const SparseSystem s = FromDense(c.a, static_cast<int32_t>(c.a[0].size()));
      SemiflowOptions options;
      options.contract = contract;
      const SemiflowResult result = MinimalSemiflows(s, options);
      ASSERT_EQ(AnswerFaults(s, result), "");
      ASSERT_EQ(result.semiflows.size(), 1u);
      std::vector<std::string> weights;
      for (const auto& w : result.semiflows[0].weights) weights.push_back(w.ToString());
      EXPECT_EQ(weights, c.weights) << "contract " << contract;
    }
  }
}

TEST(MinimalSemiflows, SplitsWideRowsBetweenTwoThreadsAlike) {
  // P.x_i = Q.y_j and R.y_j = T.z for 70 x's and 70 y's: the first
  // combination (z with a y) passes 64 bits, so the elimination starts again
  // wide, and the 70 x 70 pairs of the next equation are split between two
  // threads. Each x_i, y_j, z is a semiflow (Q.T, P.T, P.R).
  const int64_t p = 1099511627791, q = 1099511627689, r = 1099511627773, t = 1099511627803;  // primes near 2^40
  const int k = 70, z = 2 * k;
  Dense a(2, std::vector<int64_t>(z + 1, 0));
  for (int i = 0; i < k; ++i) {
    a[0][i] = p;
    a[0][k + i] = -q;
    a[1][k + i] = r;
  }
  a[1][z] = -t;
  const SparseSystem s = FromDense(a, z + 1);
  const std::vector<std::string> weights = {(Integer(q) * Integer(t)).ToString(), (Integer(p) * Integer(t)).ToString(),
                                            (Integer(p) * Integer(r)).ToString()};
  std::vector<std::vector<std::string>> first;
  for (const int threads : {1, 2}) {
    for (const bool contract : {true, false}) {
      SemiflowOptions options;
      options.threads = threads;
      options.contract = contract;
      const SemiflowResult result = MinimalSemiflows(s, options);
      ASSERT_EQ(AnswerFaults(s, result), "");
      ASSERT_EQ(result.semiflows.size(), static_cast<std::size_t>(k * k));
      for (std::size_t n = 0; n < result.semiflows.size(); ++n) {
        const Semiflow& flow = result.semiflows[n];
        ASSERT_EQ(flow.variables,
                  (std::vector<int32_t>{static_cast<int32_t>(n / k), static_cast<int32_t>(k + n % k), z}));
        for (int m = 0; m < 3; ++m) ASSERT_EQ(flow.weights[m].ToString(), weights[m]);
      }
    }
  }
}

namespace {

// The answer with every variable renamed through `to`, sorted again.
std::vector<std::vector<int64_t>> Renamed(const SemiflowResult& result, const std::vector<int>& to, int variables) {
  std::vector<std::vector<int64_t>> out;
  for (const auto& row : ToDense(result, variables)) {
    out.emplace_back(row.size());
    for (int v = 0; v < variables; ++v) out.back()[to[v]] = row[v];
  }
  return Sorted(out);
}

}  // namespace

TEST(MinimalSemiflows, RenumberingAndCopiesChangeNothingButNames) {
  std::mt19937 random(7);
  for (int round = 0; round < 60; ++round) {
    const int variables = std::uniform_int_distribution<int>(4, 16)(random);
    const int equations = std::uniform_int_distribution<int>(2, 10)(random);
    const Dense a = RandomDense(random, variables, equations);
    const SemiflowResult plain = MinimalSemiflows(FromDense(a, variables), {});
    // Variables and equations renumbered.
    std::vector<int> to(static_cast<std::size_t>(variables)), rows(static_cast<std::size_t>(equations));
    std::iota(to.begin(), to.end(), 0);
    std::iota(rows.begin(), rows.end(), 0);
    std::shuffle(to.begin(), to.end(), random);
    std::shuffle(rows.begin(), rows.end(), random);
    Dense b(a.size(), std::vector<int64_t>(static_cast<std::size_t>(variables)));
    for (int e = 0; e < equations; ++e)
      for (int v = 0; v < variables; ++v) b[rows[e]][to[v]] = a[e][v];
    const SemiflowResult renumbered = MinimalSemiflows(FromDense(b, variables), {});
    ASSERT_EQ(AnswerFaults(FromDense(b, variables), renumbered), "");
    ASSERT_EQ(Sorted(ToDense(renumbered, variables)), Renamed(plain, to, variables)) << "round " << round;
    // Two disjoint copies, the second's variables and equations after the first's.
    Dense twice(2 * a.size(), std::vector<int64_t>(2 * static_cast<std::size_t>(variables), 0));
    for (int e = 0; e < equations; ++e)
      for (int v = 0; v < variables; ++v) twice[e][v] = twice[e + equations][v + variables] = a[e][v];
    std::vector<std::vector<int64_t>> expected;
    for (const auto& row : ToDense(plain, variables)) {
      expected.push_back(row);
      expected.back().resize(2 * row.size(), 0);
      expected.emplace_back(row.size(), 0);
      expected.back().insert(expected.back().end(), row.begin(), row.end());
    }
    const SemiflowResult both = MinimalSemiflows(FromDense(twice, 2 * variables), {});
    ASSERT_EQ(Sorted(ToDense(both, 2 * variables)), Sorted(expected)) << "round " << round;
  }
}

TEST(MinimalSemiflows, SplitsWorkAlikeWithTheTreeAndStopsAtEachBudget) {
  // x_1 + .. + x_k = y_1 + .. + y_k has the k^2 minimal semiflows x_i + y_j,
  // all from one equation (enough pairs for two threads); one more variable,
  // in no equation, is a semiflow by itself.
  const int k = 90;
  Dense a(2, std::vector<int64_t>(2 * k + 1, 0));
  for (int i = 0; i < k; ++i) {
    a[0][i] = 1;
    a[0][k + i] = -1;
  }
  const SparseSystem s = FromDense(a, 2 * k + 1);
  SemiflowOptions one, two;
  one.threads = 1;
  two.tree_cost = 0;
  two.byte_limit = 64 << 20;  // ample
  const SemiflowResult single = MinimalSemiflows(s, one), split = MinimalSemiflows(s, two);
  ASSERT_TRUE(single.complete);
  EXPECT_EQ(single.semiflows.size(), static_cast<std::size_t>(k * k + 1));
  EXPECT_EQ(split.stop, SemiflowResult::Stop::kNone);
  EXPECT_EQ(AnswerFaults(s, split), "");
  EXPECT_EQ(ToDense(single, 2 * k + 1), ToDense(split, 2 * k + 1));
  // Past a budget (rows; bytes: a few hundred rows of a few hundred bytes
  // each; time): no semiflows, and why, and how far it got.
  SemiflowOptions rows, bytes, time;
  rows.row_limit = 1000;
  bytes.byte_limit = 100000;
  time.time_limit = std::chrono::nanoseconds(1);
  using Stop = SemiflowResult::Stop;
  for (const auto& [options, why] : {std::pair{rows, Stop::kRows}, {bytes, Stop::kMemory}, {time, Stop::kTime}}) {
    const SemiflowResult stopped = MinimalSemiflows(s, options);
    EXPECT_FALSE(stopped.complete);
    EXPECT_EQ(stopped.stop, why);
    EXPECT_TRUE(stopped.semiflows.empty());
    EXPECT_NE(stopped.stopped_at.find("part 1 of 2: 0 of 1 equations eliminated"), std::string::npos)
        << stopped.stopped_at;
  }
}

TEST(SupportTree, AnswersAsAScanDoesEvenDeeperThanItsStack) {
  // Row i holds every variable but i: each split peels one row off, so the
  // tree is a path of about n - 8 nodes, deeper than the walk's stack of
  // 256. With every variable in the union, every row but a and b is asked.
  const int n = 300;
  std::vector<std::vector<int32_t>> vars(n);
  for (int i = 0; i < n; ++i)
    for (int v = 0; v < n; ++v)
      if (v != i) vars[i].push_back(v);
  const auto of = [&](uint32_t id) { return std::span<const int32_t>(vars[id]); };
  std::vector<uint32_t> ids(n);
  std::iota(ids.begin(), ids.end(), 0u);
  SupportTree tree;
  ASSERT_TRUE(tree.Build(ids, of, n));
  const std::vector<uint32_t> all(n, 1);
  std::vector<int> asked(n, 0);
  EXPECT_FALSE(tree.AnyWithin(all, 1, 0, 1, [&](uint32_t id) { return ++asked[id] < 0; }));
  EXPECT_EQ(asked, [&] {
    std::vector<int> once(n, 1);
    once[0] = once[1] = 0;
    return once;
  }());
  EXPECT_TRUE(tree.AnyWithin(all, 1, 0, 1, [&](uint32_t id) { return id == n - 1; }));
  // Random supports and unions: the tree finds a row within the union
  // exactly when a scan of every row does.
  std::mt19937 random(3);
  for (int round = 0; round < 300; ++round) {
    const int variables = std::uniform_int_distribution<int>(1, 12)(random);
    const int rows = std::uniform_int_distribution<int>(1, 60)(random);
    std::uniform_int_distribution<int> bit(0, 2);
    std::vector<std::vector<int32_t>> supports(rows);
    for (auto& support : supports)
      for (int v = 0; v < variables; ++v)
        if (bit(random) == 0) support.push_back(v);
    std::vector<uint32_t> marked(variables);
    for (auto& m : marked) m = bit(random) != 0 ? 7 : 6;
    const auto within = [&](uint32_t id) {
      return std::all_of(supports[id].begin(), supports[id].end(), [&](int32_t v) { return marked[v] == 7; });
    };
    std::vector<uint32_t> every(rows);
    std::iota(every.begin(), every.end(), 0u);
    SupportTree small;
    ASSERT_TRUE(small.Build(
        every, [&](uint32_t id) { return std::span<const int32_t>(supports[id]); }, variables));
    const uint32_t a = 0, b = static_cast<uint32_t>(rows - 1);
    bool scan = false;
    for (uint32_t id : every) scan = scan || (id != a && id != b && within(id));
    ASSERT_EQ(small.AnyWithin(marked, 7, a, b, within), scan) << "round " << round;
  }
}
