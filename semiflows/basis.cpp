#include "semiflows/basis.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include "semiflows/coefficient.h"

namespace vantira {

namespace {

// A sparse row over the columns of the order (positions, ascending).
template <class T>
struct SparseRow {
  std::vector<int32_t> col;
  std::vector<T> value;
};

template <class T>
T ValueAt(const SparseRow<T>& row, int32_t c) {
  return row.value[std::lower_bound(row.col.begin(), row.col.end(), c) - row.col.begin()];
}

// Divides the row by the gcd of its values.
template <class T>
void Primitive(SparseRow<T>& row) {
  if (row.value.empty()) return;
  T d = GcdOf(row.value[0], T(0));
  for (std::size_t k = 1; k < row.value.size() && !IsOneValue(d); ++k) d = GcdOf(d, row.value[k]);
  if (IsOneValue(d)) return;
  for (auto& value : row.value) value = DivideBy(value, d);
}

// How far a computation may go before it gives up for a sparser order:
// entries merged, and entries of the reduced rows; 0 for no bound.
struct Bounds {
  uint64_t work = 0;
  uint64_t size = 0;
  std::optional<std::chrono::steady_clock::time_point> deadline;
};
struct GaveUp {};
struct OutOfTime {};

// The work done so far, against the bounds.
struct Work {
  const Bounds& bounds;
  uint64_t entries = 0;
  uint64_t calls = 0;
};

// r := m_r.r - m_p.p, the multipliers chosen so that column c (where p has
// its pivot, positive) cancels and m_r > 0; then primitive.
template <class T>
SparseRow<T> Cancel(const SparseRow<T>& r, const SparseRow<T>& p, int32_t c, Work& work) {
  work.entries += r.col.size() + p.col.size();
  if (work.bounds.work != 0 && work.entries > work.bounds.work) throw GaveUp{};
  if ((++work.calls & 15) == 0 && work.bounds.deadline && std::chrono::steady_clock::now() > *work.bounds.deadline)
    throw OutOfTime{};
  const T a = ValueAt(p, c);
  const T b = ValueAt(r, c);
  const T g = GcdOf(a, b);
  const T mr = DivideBy(a, g);
  const T mp = Negate(DivideBy(b, g));
  SparseRow<T> out;
  out.col.reserve(r.col.size() + p.col.size());
  out.value.reserve(r.col.size() + p.col.size());
  std::size_t i = 0, j = 0;
  while (i < r.col.size() || j < p.col.size()) {
    int32_t k;
    T value;
    if (j == p.col.size() || (i < r.col.size() && r.col[i] < p.col[j])) {
      k = r.col[i];
      value = Multiply(mr, r.value[i++]);
    } else if (i == r.col.size() || p.col[j] < r.col[i]) {
      k = p.col[j];
      value = Multiply(mp, p.value[j++]);
    } else {
      k = r.col[i];
      value = Add(Multiply(mr, r.value[i++]), Multiply(mp, p.value[j++]));
    }
    if (k != c && SignOf(value) != 0) {
      out.col.push_back(k);
      out.value.push_back(std::move(value));
    }
  }
  Primitive(out);
  return out;
}

// The equations as rows over the positions of `order`, columns ascending,
// the rows by their last column, so that most find their pivot free rather
// than walking down a chain of pivots taken before them.
template <class T>
std::vector<SparseRow<T>> EquationRows(const SparseSystem& s, std::span<const int32_t> order) {
  const auto n = static_cast<std::size_t>(s.variables);
  std::vector<int32_t> position(n);
  for (std::size_t i = 0; i < n; ++i) position[static_cast<std::size_t>(order[i])] = static_cast<int32_t>(i);
  std::vector<SparseRow<T>> equations(static_cast<std::size_t>(s.equations));
  for (int32_t v = 0; v < s.variables; ++v) {
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) {
      SparseRow<T>& row = equations[static_cast<std::size_t>(s.equation[k])];
      row.col.push_back(position[static_cast<std::size_t>(v)]);
      row.value.push_back(T(s.coefficient[k]));
    }
  }
  for (SparseRow<T>& equation : equations) {
    std::vector<std::pair<int32_t, T>> entries;
    for (std::size_t k = 0; k < equation.col.size(); ++k) entries.emplace_back(equation.col[k], equation.value[k]);
    std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    equation = SparseRow<T>{};
    for (auto& [c, value] : entries) {
      equation.col.push_back(c);
      equation.value.push_back(std::move(value));
    }
  }
  std::stable_sort(equations.begin(), equations.end(), [](const SparseRow<T>& x, const SparseRow<T>& y) {
    const int32_t lx = x.col.empty() ? -1 : x.col.back(), ly = y.col.empty() ? -1 : y.col.back();
    return lx != ly ? lx < ly : x.col.size() < y.col.size();
  });
  return equations;
}

// An echelon form whose pivots are each row's last column: the pivots are
// then the columns taken greedily from the last, and the columns left free
// are the kernel's pivots in its reduced form (each kernel vector begins at
// its free column, every other entry after it). Gives the pivot rows, and
// in pivot_of the row of each pivot column (-1 for a free one).
template <class T>
std::vector<SparseRow<T>> Echelon(std::vector<SparseRow<T>> equations, std::vector<int32_t>& pivot_of, Work& work) {
  std::vector<SparseRow<T>> pivots;
  for (SparseRow<T>& equation : equations) {
    SparseRow<T> r = std::move(equation);
    Primitive(r);
    while (!r.col.empty()) {
      const int32_t c = r.col.back();
      const int32_t p = pivot_of[static_cast<std::size_t>(c)];
      if (p < 0) {
        if (SignOf(r.value.back()) < 0)
          for (auto& value : r.value) value = Negate(value);
        pivot_of[static_cast<std::size_t>(c)] = static_cast<int32_t>(pivots.size());
        pivots.push_back(std::move(r));
        break;
      }
      r = Cancel(r, pivots[static_cast<std::size_t>(p)], c, work);
    }
  }
  return pivots;
}

// Reduced: each pivot row loses its entries at other pivots, from the
// lowest pivot up, so a row cancelled against is already reduced and brings
// in free columns only.
template <class T>
void Reduce(std::vector<SparseRow<T>>& pivots, const std::vector<int32_t>& pivot_of, Work& work) {
  const std::size_t n = pivot_of.size();
  std::vector<int32_t> below;
  // The reduced rows are the same whatever the path to them, so the bound
  // on their size gives up on the same nets for every order of the input.
  uint64_t size = n - pivots.size();
  for (std::size_t c = 0; c < n; ++c) {
    const int32_t p = pivot_of[c];
    if (p < 0) continue;
    SparseRow<T>& row = pivots[static_cast<std::size_t>(p)];
    below.clear();
    for (std::size_t k = 0; k + 1 < row.col.size(); ++k)
      if (pivot_of[static_cast<std::size_t>(row.col[k])] >= 0) below.push_back(row.col[k]);
    for (auto it = below.rbegin(); it != below.rend(); ++it)
      row = Cancel(row, pivots[static_cast<std::size_t>(pivot_of[static_cast<std::size_t>(*it)])], *it, work);
    size += row.col.size() - 1;
    if (work.bounds.size != 0 && size > work.bounds.size) throw GaveUp{};
  }
}

// Each free column's vector: 1 there, -b/a at the pivot of each row
// a.x_q + b.x_f + ... = 0, scaled by the lcm of the denominators, in the
// variables of `order`. The pivot rows are emptied as they are read.
template <class T>
std::vector<BasisVector> KernelVectors(std::vector<SparseRow<T>>& pivots, const std::vector<int32_t>& pivot_of,
                                       std::span<const int32_t> order) {
  const std::size_t n = pivot_of.size();
  struct Entry {
    int32_t pivot;  // the row's pivot column
    T a, b;
  };
  std::vector<std::vector<Entry>> at(n);
  for (std::size_t c = 0; c < n; ++c) {
    const int32_t p = pivot_of[c];
    if (p < 0) continue;
    SparseRow<T>& row = pivots[static_cast<std::size_t>(p)];
    const T& a = row.value.back();
    for (std::size_t k = 0; k + 1 < row.col.size(); ++k)
      at[static_cast<std::size_t>(row.col[k])].push_back({static_cast<int32_t>(c), a, row.value[k]});
    row = SparseRow<T>{};
  }
  std::vector<BasisVector> basis;
  for (std::size_t f = 0; f < n; ++f) {
    if (pivot_of[f] >= 0) continue;
    std::vector<Entry>& entries = at[f];
    T lcm(1);
    for (const Entry& e : entries) {
      const T d = DivideBy(e.a, GcdOf(e.a, e.b));
      lcm = Multiply(DivideBy(lcm, GcdOf(lcm, d)), d);
    }
    std::vector<std::pair<int32_t, T>> weights;
    weights.reserve(entries.size() + 1);
    weights.emplace_back(static_cast<int32_t>(f), lcm);
    T g = lcm;
    for (const Entry& e : entries) {
      const T h = GcdOf(e.a, e.b);
      T w = Negate(Multiply(DivideBy(e.b, h), DivideBy(lcm, DivideBy(e.a, h))));
      g = GcdOf(g, w);
      weights.emplace_back(e.pivot, std::move(w));
    }
    std::vector<Entry>().swap(entries);
    std::sort(weights.begin(), weights.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    BasisVector vector;
    vector.semiflow = true;
    vector.variables.reserve(weights.size());
    vector.weights.reserve(weights.size());
    for (auto& [c, w] : weights) {
      if (!IsOneValue(g)) w = DivideBy(w, g);
      vector.semiflow = vector.semiflow && SignOf(w) > 0;
      vector.variables.push_back(order[static_cast<std::size_t>(c)]);
      vector.weights.push_back(ToInteger(w));
    }
    basis.push_back(std::move(vector));
  }
  return basis;
}

template <class T>
std::vector<BasisVector> Basis(const SparseSystem& s, std::span<const int32_t> order, const Bounds& bounds) {
  Work work{bounds};
  std::vector<int32_t> pivot_of(static_cast<std::size_t>(s.variables), -1);
  std::vector<SparseRow<T>> pivots = Echelon(EquationRows<T>(s, order), pivot_of, work);
  Reduce(pivots, pivot_of, work);
  return KernelVectors(pivots, pivot_of, order);
}

std::size_t Entries(const std::vector<BasisVector>& basis) {
  std::size_t entries = 0;
  for (const BasisVector& vector : basis) entries += vector.variables.size();
  return entries;
}

std::vector<BasisVector> Exact(const SparseSystem& system, std::span<const int32_t> order, const Bounds& bounds) {
  try {
    return Basis<int64_t>(system, order, bounds);
  } catch (const Overflow&) {
    return Basis<Integer>(system, order, bounds);
  }
}

}  // namespace

std::vector<BasisVector> FlowBasis(const SparseSystem& system, std::span<const int32_t> order) {
  return Exact(system, order, Bounds{});
}

std::optional<std::vector<BasisVector>> SparserFlowBasis(const SparseSystem& system, std::span<const int32_t> first,
                                                         std::span<const int32_t> second,
                                                         std::chrono::steady_clock::time_point deadline) try {
  // Generous for a sparse answer: a few dozen passes over the system.
  const uint64_t entries = static_cast<uint64_t>(system.equation.size()) + static_cast<uint64_t>(system.variables);
  const Bounds bounds{64 * entries + (uint64_t{1} << 24), 0, deadline};
  std::optional<std::vector<BasisVector>> one, two;
  try {
    one = Exact(system, first, bounds);
  } catch (const GaveUp&) {
  }
  try {
    two = Exact(system, second, Bounds{bounds.work, one ? Entries(*one) : 0, deadline});
  } catch (const GaveUp&) {
  }
  if (one && (!two || Entries(*one) <= Entries(*two))) return std::move(*one);
  if (two) return std::move(*two);
  return Exact(system, second, Bounds{0, 0, deadline});
} catch (const OutOfTime&) {
  return std::nullopt;
}

}  // namespace vantira
