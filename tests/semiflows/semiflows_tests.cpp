#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <span>
#include <string>
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
  const std::vector<int64_t> values = {0, 1, -1, 2, -3, 3037000499, -3037000500, INT64_MAX, INT64_MIN, INT64_MAX - 1,
                                       INT64_MIN + 1, int64_t{1} << 62, -(int64_t{1} << 62)};
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

namespace {

// Every semiflow as text: variables and weights, in the answer's order.
std::vector<std::string> Text(const SemiflowResult& result) {
  std::vector<std::string> out;
  for (const auto& flow : result.semiflows) {
    std::string line;
    for (std::size_t k = 0; k < flow.variables.size(); ++k)
      line += std::to_string(flow.variables[k]) + ":" + flow.weights[k].ToString() + " ";
    out.push_back(line);
  }
  return out;
}

// The answer without the contraction before elimination, which must change
// nothing in it: not even the order.
std::vector<std::string> WithoutContraction(const SparseSystem& s) {
  SemiflowOptions options;
  options.contract = false;
  return Text(MinimalSemiflows(s, options));
}

// A random system mostly of what the contraction takes: equations of two
// variables (of opposite signs, sometimes of one sign, sometimes twice the
// same pair, closing cycles), of one variable, of one sign, and some of
// several variables of both signs.
Dense RandomContractible(std::mt19937& random, int variables, int equations) {
  std::uniform_int_distribution<int> var(0, variables - 1), kind(0, 9), magnitude(1, 4), sign(0, 1);
  Dense a(static_cast<std::size_t>(equations), std::vector<int64_t>(static_cast<std::size_t>(variables), 0));
  for (auto& row : a) {
    const int k = kind(random);
    if (k <= 5) {  // two variables, opposite signs (one sign when k is 5)
      const int x = var(random), y = var(random);
      row[x] += magnitude(random);
      row[y] += (k == 5 ? 1 : -1) * magnitude(random);
    } else if (k == 6) {  // one variable
      row[var(random)] = sign(random) != 0 ? magnitude(random) : -magnitude(random);
    } else if (k == 7) {  // one sign
      for (int n = 0; n < 3; ++n) row[var(random)] += magnitude(random);
    } else {  // several, both signs
      for (int n = 0; n < 4; ++n) row[var(random)] += sign(random) != 0 ? magnitude(random) : -magnitude(random);
    }
  }
  return a;
}

}  // namespace

// Random small systems, and ones full of what the contraction acts on: the
// dense reference's answer with one thread and two, by the key lists and by
// the tree of supports, with the contraction and without it. (Chains of
// ratios that the contraction takes past 64 bits, and chains longer than its
// rounds, are e2e cases, semiflows-chain-* and semiflows-stages-*, that
// e2e_semiflows_4ti2 also compares with 4ti2.)
TEST(MinimalSemiflows, MatchesTheReferenceOnRandomSmallSystems) {
  std::mt19937 random(29);
  for (const bool contractible : {false, true}) {
    std::size_t found = 0;
    for (int round = 0; round < (contractible ? 1500 : 600); ++round) {
      const int variables = std::uniform_int_distribution<int>(1, 9)(random);
      const int equations = std::uniform_int_distribution<int>(1, contractible ? 8 : 6)(random);
      const Dense a =
          contractible ? RandomContractible(random, variables, equations) : RandomDense(random, variables, equations);
      const SparseSystem s = FromDense(a, variables);
      SemiflowOptions options, tree;
      options.threads = round % 2 + 1;
      tree.tree_cost = 0;              // the minimal-support test by the tree at every equation
      tree.contract = round % 3 != 0;  // and the elimination of the whole system now and then
      const SemiflowResult result = MinimalSemiflows(s, options);
      ASSERT_TRUE(result.complete);
      ASSERT_EQ(AnswerFaults(s, result), "") << "round " << round;
      const auto expected = Sorted(ReferenceSemiflows(a, variables));
      ASSERT_EQ(Sorted(ToDense(result, variables)), expected) << "round " << round;
      ASSERT_EQ(Sorted(ToDense(MinimalSemiflows(s, tree), variables)), expected) << "round " << round;
      ASSERT_EQ(Text(result), WithoutContraction(s)) << "round " << round;
      found += expected.size();
    }
    EXPECT_GT(found, contractible ? 1000u : 600u);  // the rounds are not mostly empty
  }
}

TEST(MinimalSemiflows, GoesWidePastSixtyFourBitsAndBackWhenItFits) {
  const int64_t max = INT64_MAX, min = INT64_MIN;
  struct Case {
    Dense a;
    std::vector<std::string> weights;  // of the one semiflow
  };
  // Past 64 bits through two eliminations: SplitsWideRowsBetweenTwoThreadsAlike.
  const std::vector<Case> cases = {
      {{{max, -max}}, {"1", "1"}},
      {{{max, -2}}, {"2", "9223372036854775807"}},
      {{{min, 1}}, {"1", "9223372036854775808"}},
      {{{max - 1, -max}}, {"9223372036854775807", "9223372036854775806"}},
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

// The stops at each budget, with how far the run got, are the e2e cases
// semiflows-*over-limit* and semiflow_budgets.sh.
TEST(MinimalSemiflows, SplitsWorkAlikeWithTheTree) {
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
}
