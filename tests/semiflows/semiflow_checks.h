// What every answer must be, checked with exact arithmetic whatever the
// solver did: A.x = 0, weights positive, gcd 1, variables ascending, no
// support within another's, the list sorted. Empty when all holds.
#pragma once

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "semiflows/semiflows.h"

namespace vantira::testing {

inline std::string AnswerFaults(const SparseSystem& s, const SemiflowResult& result) {
  std::string faults;
  const auto& flows = result.semiflows;
  for (std::size_t i = 0; i < flows.size(); ++i) {
    const Semiflow& f = flows[i];
    const std::string at = "semiflow " + std::to_string(i) + ": ";
    if (f.variables.empty() || f.variables.size() != f.weights.size()) faults += at + "empty or uneven\n";
    if (!std::is_sorted(f.variables.begin(), f.variables.end()) ||
        std::adjacent_find(f.variables.begin(), f.variables.end()) != f.variables.end())
      faults += at + "variables not ascending\n";
    Integer g(0);
    std::map<int32_t, Integer> sum;
    for (std::size_t k = 0; k < f.variables.size() && k < f.weights.size(); ++k) {
      if (f.weights[k].Sign() <= 0) faults += at + "weight not positive\n";
      g = Gcd(g, f.weights[k]);
      const int32_t v = f.variables[k];
      for (int64_t j = s.start[v]; j < s.start[v + 1]; ++j)
        sum[s.equation[j]] += Integer(s.coefficient[j]) * f.weights[k];
    }
    if (!g.IsOne()) faults += at + "gcd " + g.ToString() + "\n";
    for (const auto& [e, value] : sum)
      if (value.Sign() != 0) faults += at + "equation " + std::to_string(e) + " gives " + value.ToString() + "\n";
    for (std::size_t j = 0; j < flows.size(); ++j) {
      const auto& other = flows[j].variables;
      if (j != i && std::includes(f.variables.begin(), f.variables.end(), other.begin(), other.end()))
        faults += at + "holds the support of semiflow " + std::to_string(j) + "\n";
    }
    if (i > 0 && !(flows[i - 1].variables < f.variables)) faults += at + "out of order\n";
  }
  return faults;
}

// A sparse system from dense rows (rows are equations).
inline SparseSystem FromDense(const std::vector<std::vector<int64_t>>& a, int32_t variables) {
  SparseSystem s;
  s.variables = variables;
  s.equations = static_cast<int32_t>(a.size());
  s.start.push_back(0);
  for (int32_t v = 0; v < variables; ++v) {
    for (int32_t e = 0; e < s.equations; ++e) {
      if (a[e][v] == 0) continue;
      s.equation.push_back(e);
      s.coefficient.push_back(a[e][v]);
    }
    s.start.push_back(static_cast<int64_t>(s.equation.size()));
  }
  return s;
}

// The answer as dense vectors of small weights, for comparing with the reference.
inline std::vector<std::vector<int64_t>> ToDense(const SemiflowResult& result, int32_t variables) {
  std::vector<std::vector<int64_t>> out;
  for (const auto& f : result.semiflows) {
    out.emplace_back(static_cast<std::size_t>(variables), 0);
    for (std::size_t k = 0; k < f.variables.size(); ++k) out.back()[f.variables[k]] = f.weights[k].Small();
  }
  return out;
}

// A random system shaped like a net's incidence: few entries per column,
// small coefficients of both signs, a density between the bounds (percent).
inline std::vector<std::vector<int64_t>> RandomDense(std::mt19937& random, int variables, int equations, int least = 20,
                                                     int most = 70) {
  std::uniform_int_distribution<int> coefficient(-3, 3), entry(0, 99);
  const int density = std::uniform_int_distribution<int>(least, most)(random);
  std::vector<std::vector<int64_t>> a(static_cast<std::size_t>(equations),
                                      std::vector<int64_t>(static_cast<std::size_t>(variables), 0));
  for (auto& row : a)
    for (auto& value : row)
      if (entry(random) < density) value = coefficient(random);
  return a;
}

inline std::vector<std::vector<int64_t>> Sorted(std::vector<std::vector<int64_t>> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace vantira::testing
