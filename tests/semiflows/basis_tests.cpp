#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "semiflows/basis.h"
#include "semiflows/integer.h"
#include "semiflows/name_order.h"
#include "semiflows/semiflows.h"
#include "tests/semiflows/reference.h"
#include "tests/semiflows/semiflow_checks.h"

using namespace vantira;
using namespace vantira::testing;

namespace {

using Matrix = std::vector<std::vector<Integer>>;

// The slow reference: the rank by Bareiss' elimination over Integer.
int Rank(Matrix m) {
  int rank = 0;
  RankAndDeterminant(std::move(m), rank);
  return rank;
}

Matrix OfDense(const Dense& a, int variables) {
  Matrix m;
  for (const auto& row : a) {
    m.emplace_back();
    for (int v = 0; v < variables; ++v) m.back().push_back(Integer(row[static_cast<std::size_t>(v)]));
  }
  return m;
}

std::vector<Integer> Column(const BasisVector& vector, int variables) {
  std::vector<Integer> dense(static_cast<std::size_t>(variables));
  for (std::size_t k = 0; k < vector.variables.size(); ++k) dense[vector.variables[k]] = vector.weights[k];
  return dense;
}

// What every basis must be, for `order`: in the kernel, gcd 1, the reduced
// echelon form (pivots ascending in the order, weight positive there and
// zero at every other pivot, nothing before the pivot), the semiflow mark
// right, variables - rank vectors, independent. Empty when all holds.
std::string BasisFaults(const SparseSystem& s, const Dense& a, const std::vector<int32_t>& order,
                        const std::vector<BasisVector>& basis) {
  std::string faults;
  std::vector<int32_t> position(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) position[order[i]] = static_cast<int32_t>(i);
  std::vector<int32_t> pivots;
  for (std::size_t k = 0; k < basis.size(); ++k) {
    const BasisVector& b = basis[k];
    const std::string at = "vector " + std::to_string(k) + ": ";
    if (b.variables.empty() || b.variables.size() != b.weights.size()) {
      faults += at + "empty or uneven\n";
      continue;
    }
    Integer g(0);
    bool positive = true;
    std::map<int32_t, Integer> sum;
    for (std::size_t i = 0; i < b.variables.size(); ++i) {
      if (i > 0 && position[b.variables[i - 1]] >= position[b.variables[i]]) faults += at + "not in the order\n";
      if (b.weights[i].Sign() == 0) faults += at + "a zero weight\n";
      positive = positive && b.weights[i].Sign() > 0;
      g = Gcd(g, b.weights[i]);
      const int32_t v = b.variables[i];
      for (int64_t j = s.start[v]; j < s.start[v + 1]; ++j)
        sum[s.equation[j]] += Integer(s.coefficient[j]) * b.weights[i];
    }
    if (!g.IsOne()) faults += at + "gcd " + g.ToString() + "\n";
    if (b.weights[0].Sign() <= 0) faults += at + "pivot weight not positive\n";
    if (positive != b.semiflow) faults += at + "semiflow mark wrong\n";
    for (const auto& [e, value] : sum)
      if (value.Sign() != 0) faults += at + "equation " + std::to_string(e) + " gives " + value.ToString() + "\n";
    if (!pivots.empty() && position[pivots.back()] >= position[b.variables[0]]) faults += at + "pivots not ascending\n";
    pivots.push_back(b.variables[0]);
  }
  for (std::size_t k = 0; k < basis.size(); ++k)
    for (std::size_t j = 0; j < basis.size(); ++j)
      if (j != k && std::count(basis[j].variables.begin(), basis[j].variables.end(), pivots[k]) != 0)
        faults += "vector " + std::to_string(j) + " has the pivot of vector " + std::to_string(k) + "\n";
  Matrix rows;
  for (const BasisVector& b : basis) rows.push_back(Column(b, s.variables));
  if (Rank(rows) != static_cast<int>(basis.size())) faults += "vectors dependent\n";
  const int expected = s.variables - Rank(OfDense(a, s.variables));
  if (static_cast<int>(basis.size()) != expected)
    faults += "dimension " + std::to_string(basis.size()) + ", rank gives " + std::to_string(expected) + "\n";
  return faults;
}

// Each vector as variable -> weight, for comparing across numberings.
std::vector<std::map<int32_t, std::string>> AsMaps(const std::vector<BasisVector>& basis,
                                                   const std::vector<int32_t>& rename) {
  std::vector<std::map<int32_t, std::string>> maps;
  for (const BasisVector& b : basis) {
    maps.emplace_back();
    for (std::size_t i = 0; i < b.variables.size(); ++i) maps.back()[rename[b.variables[i]]] = b.weights[i].ToString();
  }
  return maps;
}

std::size_t Entries(const std::vector<BasisVector>& basis) {
  std::size_t entries = 0;
  for (const BasisVector& b : basis) entries += b.variables.size();
  return entries;
}

}  // namespace

TEST(FlowBasis, IsTheReducedKernelSpansTheSemiflowsAndIgnoresTheNumbering) {
  std::mt19937 random(36);
  const auto far = std::chrono::steady_clock::now() + std::chrono::hours(1);
  for (int round = 0; round < 400; ++round) {
    const int variables = std::uniform_int_distribution<int>(1, 9)(random);
    const int equations = std::uniform_int_distribution<int>(0, 8)(random);
    const Dense a = RandomDense(random, variables, equations, 15, 60);
    const SparseSystem s = FromDense(a, variables);
    std::vector<int32_t> order(static_cast<std::size_t>(variables)), other(order.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    std::iota(other.begin(), other.end(), 0);
    const std::vector<BasisVector> basis = FlowBasis(s, order);
    ASSERT_EQ(BasisFaults(s, a, order, basis), "") << "round " << round;

    // Every minimal semiflow is a rational combination of the basis.
    const SemiflowResult flows = MinimalSemiflows(s, SemiflowOptions{});
    ASSERT_TRUE(flows.complete);
    Matrix rows;
    for (const BasisVector& b : basis) rows.push_back(Column(b, variables));
    for (const auto& flow : ToDense(flows, variables)) {
      Matrix with = rows;
      with.emplace_back();
      for (int64_t w : flow) with.back().push_back(Integer(w));
      EXPECT_EQ(Rank(with), static_cast<int>(basis.size())) << "round " << round << ": a semiflow outside the basis";
    }

    // Variables and equations renumbered, the order kept: the same vectors.
    std::vector<int32_t> renumber(order.size()), back(order.size());
    std::iota(renumber.begin(), renumber.end(), 0);
    std::shuffle(renumber.begin(), renumber.end(), random);
    for (int v = 0; v < variables; ++v) back[renumber[v]] = v;
    Dense permuted(a.size(), std::vector<int64_t>(static_cast<std::size_t>(variables)));
    std::vector<std::size_t> rows_order(a.size());
    std::iota(rows_order.begin(), rows_order.end(), 0);
    std::shuffle(rows_order.begin(), rows_order.end(), random);
    for (std::size_t e = 0; e < a.size(); ++e)
      for (int v = 0; v < variables; ++v) permuted[e][renumber[v]] = a[rows_order[e]][v];
    std::vector<int32_t> permuted_order(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) permuted_order[i] = renumber[order[i]];
    std::vector<int32_t> same(order.size());
    std::iota(same.begin(), same.end(), 0);
    EXPECT_EQ(AsMaps(FlowBasis(FromDense(permuted, variables), permuted_order), back), AsMaps(basis, same))
        << "round " << round;

    // Of two orders, the form with fewer entries, the first on a tie.
    const std::vector<BasisVector> second = FlowBasis(s, other);
    const auto sparser = SparserFlowBasis(s, order, other, far);
    ASSERT_TRUE(sparser.has_value());
    const bool first_wins = Entries(basis) <= Entries(second);
    EXPECT_EQ(AsMaps(*sparser, same), AsMaps(first_wins ? basis : second, same)) << "round " << round;
  }
}

TEST(FlowBasis, GoesWidePastSixtyFourBitsAndStopsAtItsDeadline) {
  // (2^62 + 1) x_0 = 3 x_1 and 3 x_1 = (2^62 - 1) x_2 chain into weights
  // past 64 bits.
  const int64_t big = int64_t{1} << 62;
  const Dense a = {{big + 1, -3, 0, 0}, {0, 3, -(big - 1), 0}, {0, 0, 5, -7}};
  const SparseSystem s = FromDense(a, 4);
  const std::vector<int32_t> order = {3, 2, 1, 0};
  const std::vector<BasisVector> basis = FlowBasis(s, order);
  ASSERT_EQ(BasisFaults(s, a, order, basis), "");
  ASSERT_EQ(basis.size(), 1u);
  EXPECT_TRUE(basis[0].semiflow);
  EXPECT_FALSE(basis[0].weights[3].IsSmall());

  // A ring of 3000 equations x_i = x_{i+1} takes thousands of
  // cancellations; with its deadline passed, there is no basis.
  const int n = 3000;
  Dense ring(n, std::vector<int64_t>(n, 0));
  for (int i = 0; i < n; ++i) {
    ring[i][i] = 1;
    ring[i][(i + 1) % n] = -1;
  }
  const SparseSystem r = FromDense(ring, n);
  std::vector<int32_t> forward(n), backward(n);
  std::iota(forward.begin(), forward.end(), 0);
  std::iota(backward.rbegin(), backward.rend(), 0);
  const auto ones = SparserFlowBasis(r, forward, backward, std::chrono::steady_clock::now() + std::chrono::hours(1));
  ASSERT_TRUE(ones.has_value());
  ASSERT_EQ(ones->size(), 1u);
  EXPECT_EQ(ones->front().variables.size(), static_cast<std::size_t>(n));
  EXPECT_TRUE(ones->front().semiflow);
  EXPECT_FALSE(SparserFlowBasis(r, forward, backward, std::chrono::steady_clock::now() - std::chrono::seconds(1)));
}

TEST(NameOrder, DigitsCompareAsNumbersAndDistinctNamesNeverTie) {
  EXPECT_TRUE(NameBefore("p2", "p10"));
  EXPECT_FALSE(NameBefore("p10", "p2"));
  EXPECT_TRUE(NameBefore("p9a", "p10"));
  EXPECT_TRUE(NameBefore("a", "b"));
  EXPECT_TRUE(NameBefore("p", "p1"));
  // Equal as numbers, told apart by their bytes, one way only.
  EXPECT_NE(NameBefore("p01", "p1"), NameBefore("p1", "p01"));
  EXPECT_FALSE(NameBefore("x", "x"));
  std::vector<std::string> names = {"t10", "t2", "t1", "t02", "s", "t", "t2b", "{a b}", "t010"};
  std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) { return NameBefore(x, y); });
  EXPECT_EQ(names, (std::vector<std::string>{"s", "t", "t1", "t02", "t2", "t2b", "t010", "t10", "{a b}"}));
}
