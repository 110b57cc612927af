#include "semiflows/contractor.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace vantira {
namespace {

Integer Abs(const Integer& a) { return a.Sign() < 0 ? Integer(0) - a : a; }

int32_t Find(std::vector<int32_t>& parent, int32_t v) {
  while (parent[v] != v) v = parent[v] = parent[parent[v]];
  return v;
}

}  // namespace

Contractor::Contractor(const SparseSystem& s, bool equal_only) : s_(s), equal_only_(equal_only) {
  eq_start_.assign(static_cast<std::size_t>(s.equations) + 1, 0);
  for (int64_t k = 0; k < s.start[s.variables]; ++k) ++eq_start_[s.equation[k] + 1];
  for (int32_t e = 0; e < s.equations; ++e) eq_start_[e + 1] += eq_start_[e];
  eq_var_.resize(static_cast<std::size_t>(eq_start_.back()));
  eq_coefficient_.resize(eq_var_.size());
  std::vector<int64_t> at(eq_start_.begin(), eq_start_.end() - 1);
  for (int32_t v = 0; v < s.variables; ++v) {
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) {
      const int64_t to = at[s.equation[k]]++;
      eq_var_[to] = v;
      eq_coefficient_[to] = s.coefficient[k];
    }
  }
  cls_.resize(static_cast<std::size_t>(s.variables));
  std::iota(cls_.begin(), cls_.end(), 0);
  weight_.assign(static_cast<std::size_t>(s.variables), Integer(1));
  zero_.assign(static_cast<std::size_t>(s.variables), false);
  consumed_.assign(static_cast<std::size_t>(s.equations), false);
  changed_.assign(static_cast<std::size_t>(s.variables), false);
}

// Each equation left in terms of the classes: the members' coefficients
// times their weights, summed by class.
void Contractor::Reduce() {
  // The last round's equations move to the spare buffers, whose memory is
  // reused: a fresh allocation each round costs more than the work.
  std::swap(red_start_, old_start_);
  std::swap(red_, old_);
  const std::vector<int64_t>& old_start = old_start_;
  std::vector<Entry>& old = old_;
  red_start_.assign(1, 0);
  red_.clear();
  red_.reserve(old_start.empty() ? eq_var_.size() : old.size());
  std::vector<Entry> entries;
  std::vector<std::pair<int32_t, int64_t>> small;
  for (int32_t e = 0; e < s_.equations; ++e) {
    if (consumed_[e]) {
      red_start_.push_back(static_cast<int64_t>(red_.size()));
      continue;
    }
    // An equation none of whose classes changed in the last round stays.
    if (!old_start.empty() && std::none_of(old.begin() + old_start[e], old.begin() + old_start[e + 1],
                                           [this](const Entry& entry) { return changed_[entry.cls]; })) {
      for (int64_t k = old_start[e]; k < old_start[e + 1]; ++k) red_.push_back(std::move(old[k]));
      red_start_.push_back(static_cast<int64_t>(red_.size()));
      continue;
    }
    // In 64 bits while the weights and sums fit, which is nearly always.
    small.clear();
    bool fits = true;
    for (int64_t k = eq_start_[e]; k < eq_start_[e + 1] && fits; ++k) {
      const int32_t v = eq_var_[k];
      if (zero_[cls_[v]]) continue;
      int64_t product = 0;
      fits = weight_[v].IsSmall() && !__builtin_mul_overflow(eq_coefficient_[k], weight_[v].Small(), &product);
      small.emplace_back(cls_[v], product);
    }
    if (fits) {
      const auto by_class = [](const auto& a, const auto& b) { return a.first < b.first; };
      if (!std::is_sorted(small.begin(), small.end(), by_class)) std::sort(small.begin(), small.end(), by_class);
      const std::size_t begin = red_.size();
      for (std::size_t i = 0; i < small.size() && fits;) {
        int64_t sum = small[i].second;
        const int32_t c = small[i].first;
        for (++i; i < small.size() && small[i].first == c && fits; ++i)
          fits = !__builtin_add_overflow(sum, small[i].second, &sum);
        if (sum != 0) red_.push_back({c, Integer(sum)});
      }
      if (fits) {
        red_start_.push_back(static_cast<int64_t>(red_.size()));
        continue;
      }
      red_.resize(begin);
    }
    entries.clear();
    for (int64_t k = eq_start_[e]; k < eq_start_[e + 1]; ++k) {
      const int32_t v = eq_var_[k];
      if (zero_[cls_[v]]) continue;
      entries.push_back({cls_[v], Integer(eq_coefficient_[k]) * weight_[v]});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.cls < b.cls; });
    for (std::size_t i = 0; i < entries.size();) {
      Entry sum = std::move(entries[i]);
      for (++i; i < entries.size() && entries[i].cls == sum.cls; ++i) sum.coefficient += entries[i].coefficient;
      if (sum.coefficient.Sign() != 0) red_.push_back(std::move(sum));
    }
    red_start_.push_back(static_cast<int64_t>(red_.size()));
  }
  std::fill(changed_.begin(), changed_.end(), false);
}

// Every class alone in an equation, or in an equation of one sign, is zero;
// so on until none is. True when some class became zero.
bool Contractor::Zeros() {
  const auto equations = static_cast<std::size_t>(s_.equations);
  std::vector<int32_t> pos(equations, 0), neg(equations, 0);
  for (int32_t e = 0; e < s_.equations; ++e)
    for (int64_t k = red_start_[e]; k < red_start_[e + 1]; ++k) (red_[k].coefficient.Sign() > 0 ? pos : neg)[e] += 1;
  const auto forcing = [&](int32_t e) {
    return pos[e] + neg[e] > 0 && (pos[e] + neg[e] == 1 || pos[e] == 0 || neg[e] == 0);
  };
  std::vector<int32_t> work;
  std::vector<bool> queued(equations, false);
  for (int32_t e = 0; e < s_.equations; ++e) {
    if (forcing(e)) {
      work.push_back(e);
      queued[e] = true;
    }
  }
  if (work.empty()) return false;
  // The equations of each class, with the sign there.
  std::vector<int64_t> by_cls_start(static_cast<std::size_t>(s_.variables) + 1, 0);
  for (const Entry& entry : red_) ++by_cls_start[entry.cls + 1];
  for (int32_t c = 0; c < s_.variables; ++c) by_cls_start[c + 1] += by_cls_start[c];
  std::vector<std::pair<int32_t, int>> by_cls(red_.size());
  std::vector<int64_t> at(by_cls_start.begin(), by_cls_start.end() - 1);
  for (int32_t e = 0; e < s_.equations; ++e)
    for (int64_t k = red_start_[e]; k < red_start_[e + 1]; ++k)
      by_cls[at[red_[k].cls]++] = {e, red_[k].coefficient.Sign()};
  bool changed = false;
  while (!work.empty()) {
    const int32_t e = work.back();
    work.pop_back();
    for (int64_t k = red_start_[e]; k < red_start_[e + 1]; ++k) {
      const int32_t c = red_[k].cls;
      if (zero_[c]) continue;
      zero_[c] = true;
      changed_[c] = true;
      changed = true;
      for (int64_t j = by_cls_start[c]; j < by_cls_start[c + 1]; ++j) {
        const auto [other, sign] = by_cls[j];
        (sign > 0 ? pos : neg)[other] -= 1;
        if (!queued[other] && forcing(other)) {
          queued[other] = true;
          work.push_back(other);
        }
      }
    }
  }
  return changed;
}

// The sum of the equations of a connected part is an equation of the part
// too: when no class has a coefficient of one sign there and another one of
// the other sign, those with a nonzero coefficient are zero. (In a net: if
// no transition takes more tokens than it gives, one that gives more is in
// no T-semiflow.) True when some class became zero.
bool Contractor::SumZeros() {
  const auto n = static_cast<std::size_t>(s_.variables);
  std::vector<int32_t> parent(n);
  std::iota(parent.begin(), parent.end(), 0);
  std::vector<Integer> sum(n);
  std::vector<bool> in_equation(n, false);
  for (int32_t e = 0; e < s_.equations; ++e) {
    int32_t first = -1;
    for (int64_t k = red_start_[e]; k < red_start_[e + 1]; ++k) {
      const int32_t c = red_[k].cls;
      if (zero_[c]) continue;
      in_equation[c] = true;
      sum[c] += red_[k].coefficient;
      if (first < 0) {
        first = c;
      } else {
        parent[Find(parent, c)] = Find(parent, first);
      }
    }
  }
  std::vector<bool> positive(n, false), negative(n, false);
  for (int32_t c = 0; c < s_.variables; ++c) {
    if (!in_equation[c]) continue;
    const int sign = sum[c].Sign();
    if (sign > 0) positive[Find(parent, c)] = true;
    if (sign < 0) negative[Find(parent, c)] = true;
  }
  bool changed = false;
  for (int32_t c = 0; c < s_.variables; ++c) {
    if (!in_equation[c] || sum[c].Sign() == 0) continue;
    const int32_t r = Find(parent, c);
    if (positive[r] && negative[r]) continue;
    zero_[c] = true;
    changed_[c] = true;
    changed = true;
  }
  return changed;
}

// The equations of two live classes of opposite signs merge them, along a
// spanning forest of those equations; the others stay, for the next round.
// True when some merge was made.
bool Contractor::Merges() {
  struct Edge {
    int32_t to, equation;
    const Integer* mine;    // |coefficient| of this end
    const Integer* theirs;  // of the other
  };
  struct Pair {
    int32_t equation, a, b;  // its two classes
    Integer of_a, of_b;      // and their coefficients' magnitudes
  };
  std::vector<Pair> pairs;
  std::vector<int64_t> live;
  for (int32_t e = 0; e < s_.equations; ++e) {
    live.clear();
    for (int64_t k = red_start_[e]; k < red_start_[e + 1] && live.size() < 3; ++k)
      if (!zero_[red_[k].cls]) live.push_back(k);
    if (live.size() != 2 || red_[live[0]].coefficient.Sign() == red_[live[1]].coefficient.Sign()) continue;
    Pair pair{e, red_[live[0]].cls, red_[live[1]].cls, Abs(red_[live[0]].coefficient), Abs(red_[live[1]].coefficient)};
    if (equal_only_ && !(pair.of_a == pair.of_b)) continue;
    pairs.push_back(std::move(pair));
  }
  if (pairs.empty()) return false;
  const auto n = static_cast<std::size_t>(s_.variables);
  std::vector<int64_t> edge_start(n + 1, 0);
  for (const Pair& pair : pairs) {
    ++edge_start[pair.a + 1];
    ++edge_start[pair.b + 1];
  }
  for (std::size_t c = 0; c < n; ++c) edge_start[c + 1] += edge_start[c];
  std::vector<Edge> edges(static_cast<std::size_t>(edge_start[n]));
  {
    std::vector<int64_t> at(edge_start.begin(), edge_start.end() - 1);
    for (const Pair& pair : pairs) {
      edges[at[pair.a]++] = {pair.b, pair.equation, &pair.of_a, &pair.of_b};
      edges[at[pair.b]++] = {pair.a, pair.equation, &pair.of_b, &pair.of_a};
    }
  }
  // Breadth first from each class not yet reached: y_c = (p_c / q_c).y_root.
  std::vector<int32_t> root(n, -1), component;
  std::vector<Integer> p(n), q(n);
  bool changed = false;
  for (int32_t start = 0; start < s_.variables; ++start) {
    if (root[start] >= 0 || edge_start[start] == edge_start[start + 1]) continue;
    component.assign(1, start);
    root[start] = start;
    p[start] = Integer(1);
    q[start] = Integer(1);
    for (std::size_t i = 0; i < component.size(); ++i) {
      const int32_t a = component[i];
      for (int64_t k = edge_start[a]; k < edge_start[a + 1]; ++k) {
        const Edge& edge = edges[k];
        if (root[edge.to] >= 0 || consumed_[edge.equation]) continue;
        // mine.y_a = theirs.y_b
        root[edge.to] = start;
        Integer num = p[a] * *edge.mine, den = q[a] * *edge.theirs;
        const Integer g = Gcd(num, den);
        num.DivideExact(g);
        den.DivideExact(g);
        p[edge.to] = std::move(num);
        q[edge.to] = std::move(den);
        consumed_[edge.equation] = true;
        ++merged_;
        changed = true;
        component.push_back(edge.to);
      }
    }
    if (component.size() == 1) continue;
    // Integer multipliers of gcd 1: p_c.(L / q_c) / G.
    Integer l(1);
    for (int32_t c : component) {
      Integer factor = q[c];
      factor.DivideExact(Gcd(l, q[c]));
      l *= factor;
    }
    Integer g(0);
    for (int32_t c : component) {
      Integer share = l;
      share.DivideExact(q[c]);
      p[c] *= share;
      g = Gcd(g, p[c]);
    }
    for (int32_t c : component) p[c].DivideExact(g);
  }
  if (!changed) return false;
  for (int32_t v = 0; v < s_.variables; ++v) {
    const int32_t c = cls_[v];
    if (root[c] < 0) continue;
    changed_[c] = true;
    if (!p[c].IsOne()) weight_[v] *= p[c];
    cls_[v] = root[c];
  }
  return true;
}

}  // namespace vantira
