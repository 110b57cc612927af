// The contraction before elimination (semiflows/contraction.h) must change
// nothing in the answer: checked against the slow reference on small systems
// full of what it acts on, against the solver without it on larger ones, and
// on chains whose scales pass 64 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "semiflows/integer.h"
#include "semiflows/semiflows.h"
#include "tests/semiflows/reference.h"
#include "tests/semiflows/semiflow_checks.h"

using namespace vantira;
using namespace vantira::testing;

namespace {

SemiflowOptions Without() {
  SemiflowOptions options;
  options.contract = false;
  return options;
}

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

TEST(Contraction, MatchesTheReferenceOnSmallContractibleSystems) {
  std::mt19937 random(41);
  std::size_t found = 0;
  for (int round = 0; round < 1500; ++round) {
    const int variables = std::uniform_int_distribution<int>(1, 9)(random);
    const int equations = std::uniform_int_distribution<int>(1, 8)(random);
    const Dense a = RandomContractible(random, variables, equations);
    const SparseSystem s = FromDense(a, variables);
    SemiflowOptions options;
    options.threads = round % 2 + 1;
    options.tree_cost = round % 3 == 0 ? 0 : 128;
    const SemiflowResult result = MinimalSemiflows(s, options);
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(AnswerFaults(s, result), "") << "round " << round;
    const auto expected = Sorted(ReferenceSemiflows(a, variables));
    ASSERT_EQ(Sorted(ToDense(result, variables)), expected) << "round " << round;
    // The very same list, in the same order, as without the contraction.
    ASSERT_EQ(Text(result), Text(MinimalSemiflows(s, Without()))) << "round " << round;
    found += expected.size();
  }
  EXPECT_GT(found, 1000u);  // the rounds are not mostly empty
}

TEST(Contraction, ChainsAndCyclesOfRatios) {
  // x0 = 2.x1 = 4.x2 with x2 = x0 / 4 again around the cycle: product 1, one
  // semiflow (4, 2, 1); with 2.x2 = x0 the product is 2: all zero, none.
  for (const int64_t closing : {4, 2}) {
    const Dense a = {{1, -2, 0}, {0, 1, -2}, {-1, 0, closing}};
    const SparseSystem s = FromDense(a, 3);
    const SemiflowResult result = MinimalSemiflows(s, {});
    ASSERT_EQ(AnswerFaults(s, result), "");
    ASSERT_EQ(Sorted(ToDense(result, 3)), Sorted(ReferenceSemiflows(a, 3))) << closing;
    EXPECT_EQ(result.semiflows.size(), closing == 4 ? 1u : 0u);
  }
  // Ratios 6:4 and 9:6, gcd-reduced: x0 = 2k, x1 = 3k... x2 = 9k/2: (4, 6, 9).
  const Dense b = {{6, -4, 0}, {0, 9, -6}};
  const SemiflowResult chain = MinimalSemiflows(FromDense(b, 3), {});
  ASSERT_EQ(Text(chain), std::vector<std::string>{"0:4 1:6 2:9 "});
  // Forced zeros that only show after merging: x0 = x1, then x0 - x1 + x2 = 0
  // leaves x2 alone; and the sum of all equations: x0 - x1 + x3 = 0,
  // x1 - x0 + x4 = 0 sum to x3 + x4 = 0.
  const Dense c = {{1, -1, 0, 0, 0, 0}, {1, -1, 1, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};
  const Dense d = {{1, -1, 0, 1, 0, 2}, {-1, 1, 0, 0, 1, -2}, {0, 0, 1, 0, 0, 0}};
  for (const Dense* m : {&c, &d}) {
    const SparseSystem s = FromDense(*m, 6);
    const SemiflowResult result = MinimalSemiflows(s, {});
    ASSERT_EQ(AnswerFaults(s, result), "");
    EXPECT_EQ(Sorted(ToDense(result, 6)), Sorted(ReferenceSemiflows(*m, 6)));
    EXPECT_EQ(Text(result), Text(MinimalSemiflows(s, Without())));
  }
}

TEST(Contraction, ScalesPastSixtyFourBits) {
  // x_i = 3.x_{i+1} for 60 variables: x_i = 3^(59 - i), past 64 bits from
  // x_19 down; one semiflow, no equation left to eliminate.
  const int n = 60;
  Dense a(n - 1, std::vector<int64_t>(n + 2, 0));
  for (int i = 0; i + 1 < n; ++i) {
    a[i][i] = 1;
    a[i][i + 1] = -3;
  }
  std::vector<std::string> expected;
  Integer power(1);
  std::vector<Integer> weights(n);
  for (int i = n - 1; i >= 0; --i) {
    weights[i] = power;
    power *= Integer(3);
  }
  std::string line;
  for (int i = 0; i < n; ++i) line += std::to_string(i) + ":" + weights[i].ToString() + " ";
  const SparseSystem s = FromDense(a, n + 2);
  const SemiflowResult alone = MinimalSemiflows(s, {});
  ASSERT_EQ(AnswerFaults(s, alone), "");
  // The two variables in no equation are semiflows by themselves.
  EXPECT_EQ(Text(alone), (std::vector<std::string>{line, "60:1 ", "61:1 "}));
  EXPECT_EQ(Text(alone), Text(MinimalSemiflows(s, Without())));
  // The same chain in an equation with others: x_0 = x_60 + x_61 gives the
  // merged variable a coefficient of 3^59, past 64 bits; the answer must
  // not change (x_60 or x_61 takes the place of the chain's end).
  Dense b = a;
  b.emplace_back(n + 2, 0);
  b.back()[0] = -1;
  b.back()[n] = 1;
  b.back()[n + 1] = 1;
  const SparseSystem t = FromDense(b, n + 2);
  const SemiflowResult joined = MinimalSemiflows(t, {});
  ASSERT_EQ(AnswerFaults(t, joined), "");
  ASSERT_EQ(joined.semiflows.size(), 2u);
  EXPECT_EQ(Text(joined), Text(MinimalSemiflows(t, Without())));
  // And with a ratio 1 elsewhere, merged even then: x_60 = x_61 too.
  b.emplace_back(n + 2, 0);
  b.back()[n] = 5;
  b.back()[n + 1] = -5;
  const SparseSystem u = FromDense(b, n + 2);
  const SemiflowResult equal = MinimalSemiflows(u, {});
  ASSERT_EQ(AnswerFaults(u, equal), "");
  ASSERT_EQ(equal.semiflows.size(), 1u);
  EXPECT_EQ(Text(equal), Text(MinimalSemiflows(u, Without())));
}

TEST(Contraction, LongChainsWithAHubAgreeWithTheElimination) {
  // m10000's T-system in small: a ring of k stages (t1_i, t2_i joined by
  // two places), each stage's output place also fed by a transition of its
  // own and by one transition that feeds them all; weights 1 or 2 here and
  // there, and a second ring crossing the first.
  std::mt19937 random(5);
  for (int round = 0; round < 20; ++round) {
    const int k = std::uniform_int_distribution<int>(3, 40)(random);
    const int variables = 3 * k + 1;  // t1_i = 2i, t2_i = 2i+1, feed_i = 2k+i, hub = 3k
    Dense a;
    std::uniform_int_distribution<int> weight(1, 5);
    const auto w = [&] { return weight(random) == 5 ? 2 : 1; };
    for (int i = 0; i < k; ++i) {
      std::vector<int64_t> s1(variables, 0), s2(variables, 0), p(variables, 0);
      const int64_t ws = w();
      s1[2 * i] = -ws;
      s1[2 * i + 1] = ws;
      s2[2 * i] = ws;
      s2[2 * i + 1] = -ws;
      p[2 * i] = 1;
      p[2 * ((i + 1) % k)] = -1;
      p[2 * k + i] = w();
      p[3 * k] = round % 2 == 0 ? 1 : 0;
      a.push_back(s1);
      a.push_back(s2);
      a.push_back(p);
    }
    if (round % 4 == 3) {  // t2_0 and t2_{k/2} exchange tokens too
      std::vector<int64_t> q(variables, 0);
      q[1] = 1;
      q[2 * (k / 2) + 1] = -1;
      a.push_back(q);
    }
    const SparseSystem s = FromDense(a, variables);
    const SemiflowResult result = MinimalSemiflows(s, {});
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(AnswerFaults(s, result), "") << "round " << round;
    ASSERT_EQ(Text(result), Text(MinimalSemiflows(s, Without()))) << "round " << round;
  }
}

TEST(Contraction, ChainsLongerThanItsRoundsAreLeftToTheElimination) {
  // Stage i: 2.u_i - 3.v_i + z_i = 0 and 2.u_i - 3.v_i + z_(i+1) = 0. z_1 is
  // zero (alone in an equation); then the first equation merges u_i, v_i,
  // which leaves z_(i+1) alone in the second: one stage a round, so 40
  // stages pass the bound on rounds. Semiflows: u_i = 3, v_i = 2.
  const int k = 40;
  const int variables = 3 * k + 1;  // u_i = 3i, v_i = 3i + 1, z_i = 3i - 1 (z_0 = variables - 1)
  const auto z = [&](int i) { return i == 0 ? variables - 1 : 3 * i - 1; };
  Dense a;
  a.emplace_back(variables, 0);
  a.back()[z(0)] = 1;
  for (int i = 0; i < k; ++i) {
    for (int next : {0, 1}) {
      a.emplace_back(variables, 0);
      a.back()[3 * i] = 2;
      a.back()[3 * i + 1] = -3;
      a.back()[z(i + next)] += 1;
    }
  }
  const SparseSystem s = FromDense(a, variables);
  const SemiflowResult result = MinimalSemiflows(s, {});
  ASSERT_TRUE(result.complete);
  ASSERT_EQ(AnswerFaults(s, result), "");
  EXPECT_EQ(result.semiflows.size(), static_cast<std::size_t>(k));
  EXPECT_EQ(Text(result), Text(MinimalSemiflows(s, Without())));
}

TEST(Contraction, SaysWhatItDidWhenStoppedAtTheLimit) {
  // Two merged pairs, then x + y + ... = z + w: the rows past the cap.
  const int k = 20;
  Dense a(2, std::vector<int64_t>(2 * k + 2, 0));
  for (int i = 0; i < k; ++i) {
    a[0][i] = 1;
    a[0][k + i] = -1;
  }
  a[1][2 * k] = 1;
  a[1][2 * k + 1] = -1;
  SemiflowOptions capped;
  capped.row_limit = 100;
  const SemiflowResult stopped = MinimalSemiflows(FromDense(a, 2 * k + 2), capped);
  EXPECT_FALSE(stopped.complete);
  EXPECT_TRUE(stopped.semiflows.empty());
  EXPECT_EQ(stopped.stopped_at.find("after contracting 1 of 2 equations and 0 variables forced to zero, "
                                    "part 1 of 2: 0 of 1 equations eliminated"),
            0u)
      << stopped.stopped_at;
}
