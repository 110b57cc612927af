// The slow reference for small systems (up to about 10 variables): a support
// S is minimal exactly when the columns of S have a one-dimensional kernel
// spanned by a vector of one sign; that vector is then the semiflow. Every
// subset of the variables is tried, with exact integer determinants.
#pragma once

#include <cstdint>
#include <numeric>
#include <vector>

#include "semiflows/integer.h"

namespace vantira::testing {

using Dense = std::vector<std::vector<int64_t>>;  // rows are equations

// The exact division Bareiss' elimination makes: by the previous pivot, also
// when it is negative.
inline int64_t Divided(int64_t value, int64_t by) { return value / by; }
inline Integer Divided(Integer value, const Integer& by) {
  return by.Sign() < 0 ? (Integer(0) - value).DivideExact(Integer(0) - by) : value.DivideExact(by);
}

// Bareiss' fraction-free elimination: the rank, and the determinant when
// square; on 64-bit entries for the small systems here, on Integer ones for
// the rank of a basis at any size.
template <class T>
T RankAndDeterminant(std::vector<std::vector<T>> m, int& rank) {
  const std::size_t rows = m.size(), cols = rows == 0 ? 0 : m[0].size();
  T previous(1);
  int64_t sign = 1;
  std::size_t r = 0;
  for (std::size_t c = 0; c < cols && r < rows; ++c) {
    std::size_t pivot = r;
    while (pivot < rows && m[pivot][c] == T(0)) ++pivot;
    if (pivot == rows) continue;
    if (pivot != r) {
      std::swap(m[pivot], m[r]);
      sign = -sign;
    }
    for (std::size_t i = r + 1; i < rows; ++i) {
      for (std::size_t j = c + 1; j < cols; ++j) m[i][j] = Divided(m[r][c] * m[i][j] - m[i][c] * m[r][j], previous);
      m[i][c] = T(0);
    }
    previous = m[r][c];
    ++r;
  }
  rank = static_cast<int>(r);
  return rows == cols && r == rows ? T(sign) * (rows == 0 ? T(1) : m[rows - 1][cols - 1]) : T(0);
}

// Every minimal semiflow of A.x = 0, x >= 0 as a dense vector, by support.
inline std::vector<std::vector<int64_t>> ReferenceSemiflows(const Dense& a, int variables) {
  std::vector<std::vector<int64_t>> found;
  for (uint32_t set = 1; set < (1u << variables); ++set) {
    std::vector<int> cols;
    for (int v = 0; v < variables; ++v)
      if (set >> v & 1) cols.push_back(v);
    const auto restrict = [&](const std::vector<std::size_t>& rows, int skip) {
      Dense m;
      for (std::size_t r : rows) {
        m.emplace_back();
        for (int c : cols)
          if (c != skip) m.back().push_back(a[r][c]);
      }
      return m;
    };
    std::vector<std::size_t> all(a.size()), independent;
    std::iota(all.begin(), all.end(), 0);
    int rank = 0;
    RankAndDeterminant(restrict(all, -1), rank);
    if (rank != static_cast<int>(cols.size()) - 1) continue;
    for (std::size_t r = 0; r < a.size(); ++r) {  // rank - 1 rows that span the rest
      independent.push_back(r);
      int grown = 0;
      RankAndDeterminant(restrict(independent, -1), grown);
      if (grown < static_cast<int>(independent.size())) independent.pop_back();
    }
    std::vector<int64_t> x(static_cast<std::size_t>(variables), 0);
    int64_t g = 0, positive = 0;
    for (std::size_t j = 0; j < cols.size(); ++j) {
      int unused = 0;
      const int64_t minor = RankAndDeterminant(restrict(independent, cols[j]), unused);
      x[cols[j]] = j % 2 == 0 ? minor : -minor;
      g = std::gcd(g, x[cols[j]]);
      positive += x[cols[j]] > 0;
    }
    bool one_sign = positive == 0 || positive == static_cast<int64_t>(cols.size());
    for (int c : cols) one_sign = one_sign && x[c] != 0;
    if (!one_sign) continue;
    for (auto& value : x) value = (positive == 0 ? -value : value) / g;
    found.push_back(x);
  }
  return found;
}

}  // namespace vantira::testing
