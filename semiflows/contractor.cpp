#include "semiflows/contractor.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "base/disjoint_sets.h"
#include "base/group_layout.h"

namespace vantira {
namespace {

// A bound on the rounds of dropping and merging; every round leaves a valid
// smaller system, so stopping early only leaves more to the elimination.
// Each round costs a pass over the system; a chain of cycles, each one
// contractible only once the one before is, takes a round per cycle (the
// generated wcycle nets: 0.019 s at 64 rounds, 0.007 s at 16 or 8, 0.069 s
// without a bound; most systems are done in 2 or 3).
constexpr int kRounds = 16;

Integer Abs(const Integer& a) { return a.Sign() < 0 ? Integer(0) - a : a; }

}  // namespace

Contractor::Contractor(const SparseSystem& s, bool equal_only) : s_(s), equal_only_(equal_only) {
  GroupLayout<int64_t> rows(static_cast<std::size_t>(s.equations));
  for (int64_t k = 0; k < s.start[s.variables]; ++k) rows.Count(static_cast<std::size_t>(s.equation[k]));
  equation_variable_.resize(static_cast<std::size_t>(rows.Close()));
  equation_coefficient_.resize(equation_variable_.size());
  for (int32_t v = 0; v < s.variables; ++v) {
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) {
      const int64_t to = rows.Place(static_cast<std::size_t>(s.equation[k]));
      equation_variable_[to] = v;
      equation_coefficient_[to] = s.coefficient[k];
    }
  }
  equation_start_ = rows.TakeStarts();
  class_of_.resize(static_cast<std::size_t>(s.variables));
  std::iota(class_of_.begin(), class_of_.end(), 0);
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
  std::swap(reduced_start_, old_start_);
  std::swap(reduced_, old_);
  const std::vector<int64_t>& old_start = old_start_;
  std::vector<Entry>& old = old_;
  reduced_start_.assign(1, 0);
  reduced_.clear();
  reduced_.reserve(old_start.empty() ? equation_variable_.size() : old.size());
  std::vector<Entry> entries;
  std::vector<std::pair<int32_t, int64_t>> small;
  for (int32_t e = 0; e < s_.equations; ++e) {
    if (consumed_[e]) {
      reduced_start_.push_back(static_cast<int64_t>(reduced_.size()));
      continue;
    }
    // An equation none of whose classes changed in the last round stays.
    if (!old_start.empty() && std::none_of(old.begin() + old_start[e], old.begin() + old_start[e + 1],
                                           [this](const Entry& entry) { return changed_[entry.class_id]; })) {
      for (int64_t k = old_start[e]; k < old_start[e + 1]; ++k) reduced_.push_back(std::move(old[k]));
      reduced_start_.push_back(static_cast<int64_t>(reduced_.size()));
      continue;
    }
    // In 64 bits while the weights and sums fit, which is nearly always.
    small.clear();
    bool fits = true;
    for (int64_t k = equation_start_[e]; k < equation_start_[e + 1] && fits; ++k) {
      const int32_t v = equation_variable_[k];
      if (zero_[class_of_[v]]) continue;
      int64_t product = 0;
      fits = weight_[v].IsSmall() && !__builtin_mul_overflow(equation_coefficient_[k], weight_[v].Small(), &product);
      small.emplace_back(class_of_[v], product);
    }
    if (fits) {
      const auto by_class = [](const auto& a, const auto& b) { return a.first < b.first; };
      if (!std::is_sorted(small.begin(), small.end(), by_class)) std::sort(small.begin(), small.end(), by_class);
      const std::size_t begin = reduced_.size();
      for (std::size_t i = 0; i < small.size() && fits;) {
        int64_t sum = small[i].second;
        const int32_t c = small[i].first;
        for (++i; i < small.size() && small[i].first == c && fits; ++i)
          fits = !__builtin_add_overflow(sum, small[i].second, &sum);
        if (sum != 0) reduced_.push_back({c, Integer(sum)});
      }
      if (fits) {
        reduced_start_.push_back(static_cast<int64_t>(reduced_.size()));
        continue;
      }
      reduced_.resize(begin);
    }
    entries.clear();
    for (int64_t k = equation_start_[e]; k < equation_start_[e + 1]; ++k) {
      const int32_t v = equation_variable_[k];
      if (zero_[class_of_[v]]) continue;
      entries.push_back({class_of_[v], Integer(equation_coefficient_[k]) * weight_[v]});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.class_id < b.class_id; });
    for (std::size_t i = 0; i < entries.size();) {
      Entry sum = std::move(entries[i]);
      for (++i; i < entries.size() && entries[i].class_id == sum.class_id; ++i)
        sum.coefficient += entries[i].coefficient;
      if (sum.coefficient.Sign() != 0) reduced_.push_back(std::move(sum));
    }
    reduced_start_.push_back(static_cast<int64_t>(reduced_.size()));
  }
  std::fill(changed_.begin(), changed_.end(), false);
}

// Every class alone in an equation, or in an equation of one sign, is zero;
// so on until none is. True when some class became zero.
bool Contractor::Zeros() {
  const auto equations = static_cast<std::size_t>(s_.equations);
  std::vector<int32_t> pos(equations, 0), neg(equations, 0);
  for (int32_t e = 0; e < s_.equations; ++e)
    for (int64_t k = reduced_start_[e]; k < reduced_start_[e + 1]; ++k)
      (reduced_[k].coefficient.Sign() > 0 ? pos : neg)[e] += 1;
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
  GroupLayout<int64_t> layout(static_cast<std::size_t>(s_.variables));
  for (const Entry& entry : reduced_) layout.Count(static_cast<std::size_t>(entry.class_id));
  std::vector<std::pair<int32_t, int>> by_class(static_cast<std::size_t>(layout.Close()));
  for (int32_t e = 0; e < s_.equations; ++e)
    for (int64_t k = reduced_start_[e]; k < reduced_start_[e + 1]; ++k)
      by_class[layout.Place(static_cast<std::size_t>(reduced_[k].class_id))] = {e, reduced_[k].coefficient.Sign()};
  const std::vector<int64_t> by_class_start = layout.TakeStarts();
  bool changed = false;
  while (!work.empty()) {
    const int32_t e = work.back();
    work.pop_back();
    for (int64_t k = reduced_start_[e]; k < reduced_start_[e + 1]; ++k) {
      const int32_t c = reduced_[k].class_id;
      if (zero_[c]) continue;
      zero_[c] = true;
      changed_[c] = true;
      changed = true;
      for (int64_t j = by_class_start[c]; j < by_class_start[c + 1]; ++j) {
        const auto [other, sign] = by_class[j];
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
  DisjointSets parts(n);
  std::vector<Integer> sum(n);
  std::vector<bool> in_equation(n, false);
  for (int32_t e = 0; e < s_.equations; ++e) {
    int32_t first = -1;
    for (int64_t k = reduced_start_[e]; k < reduced_start_[e + 1]; ++k) {
      const int32_t c = reduced_[k].class_id;
      if (zero_[c]) continue;
      in_equation[c] = true;
      sum[c] += reduced_[k].coefficient;
      if (first < 0) {
        first = c;
      } else {
        parts.Union(c, first);
      }
    }
  }
  std::vector<bool> positive(n, false), negative(n, false);
  for (int32_t c = 0; c < s_.variables; ++c) {
    if (!in_equation[c]) continue;
    const int sign = sum[c].Sign();
    if (sign > 0) positive[parts.Find(c)] = true;
    if (sign < 0) negative[parts.Find(c)] = true;
  }
  bool changed = false;
  for (int32_t c = 0; c < s_.variables; ++c) {
    if (!in_equation[c] || sum[c].Sign() == 0) continue;
    const int32_t r = parts.Find(c);
    if (positive[r] && negative[r]) continue;
    zero_[c] = true;
    changed_[c] = true;
    changed = true;
  }
  return changed;
}

// The equations of two live classes of opposite signs, and the magnitudes of
// their coefficients: with `equal_only`, only those of equal ones.
std::vector<Contractor::Pair> Contractor::MergeablePairs() const {
  std::vector<Pair> pairs;
  std::vector<int64_t> live;
  for (int32_t e = 0; e < s_.equations; ++e) {
    live.clear();
    for (int64_t k = reduced_start_[e]; k < reduced_start_[e + 1] && live.size() < 3; ++k)
      if (!zero_[reduced_[k].class_id]) live.push_back(k);
    if (live.size() != 2) continue;
    const Entry& a = reduced_[live[0]];
    const Entry& b = reduced_[live[1]];
    if (a.coefficient.Sign() == b.coefficient.Sign()) continue;
    Pair pair{e, a.class_id, b.class_id, Abs(a.coefficient), Abs(b.coefficient)};
    if (equal_only_ && !(pair.of_a == pair.of_b)) continue;
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

// The pairs as a graph on the classes: each pair an edge both ways.
Contractor::Graph Contractor::PairGraph(const std::vector<Pair>& pairs) const {
  GroupLayout<int64_t> layout(static_cast<std::size_t>(s_.variables));
  for (const Pair& pair : pairs) {
    layout.Count(static_cast<std::size_t>(pair.a));
    layout.Count(static_cast<std::size_t>(pair.b));
  }
  Graph graph;
  graph.edges.resize(static_cast<std::size_t>(layout.Close()));
  for (const Pair& pair : pairs) {
    graph.edges[layout.Place(static_cast<std::size_t>(pair.a))] = {pair.b, pair.equation, &pair.of_a, &pair.of_b};
    graph.edges[layout.Place(static_cast<std::size_t>(pair.b))] = {pair.a, pair.equation, &pair.of_b, &pair.of_a};
  }
  graph.start = layout.TakeStarts();
  return graph;
}

// Breadth first from `start` along the equations not yet consumed, each edge
// taken consuming its equation: y_c = (p_c / q_c).y_start for every class c
// reached, which joins `component`.
void Contractor::Spread(int32_t start, const Graph& graph, Spanning& tree) {
  tree.component.assign(1, start);
  tree.root[start] = start;
  tree.p[start] = Integer(1);
  tree.q[start] = Integer(1);
  for (std::size_t i = 0; i < tree.component.size(); ++i) {
    const int32_t a = tree.component[i];
    for (int64_t k = graph.start[a]; k < graph.start[a + 1]; ++k) {
      const Edge& edge = graph.edges[k];
      if (tree.root[edge.to] >= 0 || consumed_[edge.equation]) continue;
      // mine.y_a = theirs.y_b
      tree.root[edge.to] = start;
      Integer num = tree.p[a] * *edge.mine, den = tree.q[a] * *edge.theirs;
      const Integer g = Gcd(num, den);
      num.DivideExact(g);
      den.DivideExact(g);
      tree.p[edge.to] = std::move(num);
      tree.q[edge.to] = std::move(den);
      consumed_[edge.equation] = true;
      ++merged_;
      tree.component.push_back(edge.to);
    }
  }
}

// The component's ratios p_c / q_c made integer multipliers of gcd 1,
// p_c.(L / q_c) / G with L the lcm of the q_c, in p.
void Contractor::ScaleToIntegers(Spanning& tree) {
  Integer l(1);
  for (int32_t c : tree.component) {
    Integer factor = tree.q[c];
    factor.DivideExact(Gcd(l, tree.q[c]));
    l *= factor;
  }
  Integer g(0);
  for (int32_t c : tree.component) {
    Integer share = l;
    share.DivideExact(tree.q[c]);
    tree.p[c] *= share;
    g = Gcd(g, tree.p[c]);
  }
  for (int32_t c : tree.component) tree.p[c].DivideExact(g);
}

// The equations of two live classes of opposite signs merge them, along a
// spanning forest of those equations; the others stay, for the next round.
// True when some merge was made.
bool Contractor::Merges() {
  const std::vector<Pair> pairs = MergeablePairs();
  if (pairs.empty()) return false;
  const Graph graph = PairGraph(pairs);
  const auto n = static_cast<std::size_t>(s_.variables);
  Spanning tree{std::vector<int32_t>(n, -1), std::vector<Integer>(n), std::vector<Integer>(n), {}};
  bool changed = false;
  for (int32_t start = 0; start < s_.variables; ++start) {
    if (tree.root[start] >= 0 || graph.start[start] == graph.start[start + 1]) continue;
    Spread(start, graph, tree);
    if (tree.component.size() == 1) continue;
    changed = true;
    ScaleToIntegers(tree);
  }
  if (!changed) return false;
  for (int32_t v = 0; v < s_.variables; ++v) {
    const int32_t c = class_of_[v];
    if (tree.root[c] < 0) continue;
    changed_[c] = true;
    if (!tree.p[c].IsOne()) weight_[v] *= tree.p[c];
    class_of_[v] = tree.root[c];
  }
  return true;
}

bool Contractor::Run(Contraction& out) {
  for (int round = 0;; ++round) {
    Reduce();
    if (round == kRounds) break;
    bool changed = Zeros();
    changed = Merges() || changed;
    // The sum rule, a pass over everything, once the local rules are done.
    if (!changed) changed = SumZeros();
    if (!changed) break;
  }
  const std::vector<int32_t> number = NumberClasses(out);
  out.merged = merged_;
  return WriteReduced(number, out);
}

// The classes left, numbered by their lowest member, and their members with
// their weights; counts the variables forced to zero. Gives each class's
// number (-1 for a zero one).
std::vector<int32_t> Contractor::NumberClasses(Contraction& out) const {
  std::vector<int32_t> number(static_cast<std::size_t>(s_.variables), -1);
  int32_t classes = 0;
  for (int32_t v = 0; v < s_.variables; ++v) {
    if (zero_[class_of_[v]]) {
      ++out.zeros;
      continue;
    }
    if (number[class_of_[v]] < 0) number[class_of_[v]] = classes++;
  }
  GroupLayout<int64_t> layout(static_cast<std::size_t>(classes));
  for (int32_t v = 0; v < s_.variables; ++v)
    if (!zero_[class_of_[v]]) layout.Count(static_cast<std::size_t>(number[class_of_[v]]));
  out.member.resize(static_cast<std::size_t>(layout.Close()));
  out.weight.resize(out.member.size());
  for (int32_t v = 0; v < s_.variables; ++v) {
    if (zero_[class_of_[v]]) continue;
    const int64_t k = layout.Place(static_cast<std::size_t>(number[class_of_[v]]));
    out.member[k] = v;
    out.weight[k] = weight_[v];
  }
  out.member_start = layout.TakeStarts();
  out.reduced.variables = classes;
  return number;
}

// The equations left, in their order, by variable for the smaller system;
// false when a coefficient does not fit 64 bits.
bool Contractor::WriteReduced(const std::vector<int32_t>& number, Contraction& out) const {
  SparseSystem& r = out.reduced;
  std::vector<int32_t> new_eq(static_cast<std::size_t>(s_.equations), -1);
  GroupLayout<int64_t> layout(static_cast<std::size_t>(r.variables));
  for (int32_t e = 0; e < s_.equations; ++e) {
    bool any = false;
    for (int64_t k = reduced_start_[e]; k < reduced_start_[e + 1]; ++k) {
      if (zero_[reduced_[k].class_id]) continue;
      if (!reduced_[k].coefficient.IsSmall()) return false;
      layout.Count(static_cast<std::size_t>(number[reduced_[k].class_id]));
      any = true;
    }
    if (any) new_eq[e] = r.equations++;
  }
  r.equation.resize(static_cast<std::size_t>(layout.Close()));
  r.coefficient.resize(r.equation.size());
  for (int32_t e = 0; e < s_.equations; ++e) {
    for (int64_t k = reduced_start_[e]; k < reduced_start_[e + 1]; ++k) {
      if (zero_[reduced_[k].class_id]) continue;
      const int64_t to = layout.Place(static_cast<std::size_t>(number[reduced_[k].class_id]));
      r.equation[to] = new_eq[e];
      r.coefficient[to] = reduced_[k].coefficient.Small();
    }
  }
  r.start = layout.TakeStarts();
  return true;
}

}  // namespace vantira
