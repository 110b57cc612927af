#include "semiflows/elimination.h"

#include <algorithm>
#include <set>
#include <utility>

#include "base/second_thread.h"
#include "semiflows/coefficient.h"
#include "semiflows/support.h"

namespace vantira {
namespace {

// A candidate semiflow: its weights x (by variable, ascending) and its
// residual A.x on the equations not yet eliminated (ascending, no zeros).
template <class T>
struct Row {
  std::vector<int32_t> vars;
  std::vector<T> x;
  std::vector<int32_t> eqs;
  std::vector<T> r;
  Support support;
};

// Below this many pairs an equation is combined on one thread.
constexpr uint64_t kPairsForTwoThreads = 4096;

template <class T>
class Elimination {
 public:
  Elimination(const SparseSystem& system, RowBudget& budget) : system_(system), budget_(budget) {}
  ~Elimination() { budget_.held -= counted_; }

  EliminationOutcome Run(const StepReport& step, int threads);

 private:
  // A row of the old set whose support may lie within a union: by lowest variable.
  using IndexEntry = std::pair<int32_t, const Row<T>*>;

  int64_t Cost(int32_t e) const { return int64_t{pos_[e]} * neg_[e] - pos_[e] - neg_[e]; }
  void Count(const Row<T>& row, int delta);
  void Hold(uint64_t rows) {
    counted_ += rows;
    budget_.held += rows;
  }
  void Release(uint64_t rows) {
    counted_ -= rows;
    budget_.held -= rows;
  }
  bool Minimal(const Support& u, const Row<T>* a, const Row<T>* b) const;
  void Combine(const Row<T>& a, const Row<T>& b, int32_t e, Support u, std::vector<Row<T>>& out) const;
  // Combines pos_rows[begin, end) with every neg row; false when the cap was passed.
  bool Pairs(const std::vector<const Row<T>*>& pos_rows, const std::vector<const Row<T>*>& neg_rows, std::size_t begin,
             std::size_t end, int32_t e, std::vector<Row<T>>& out);
  void Keep(Row<T> row);

  const SparseSystem& system_;
  RowBudget& budget_;
  uint64_t counted_ = 0;  // what this elimination added to the budget
  std::vector<Row<T>> work_;
  std::vector<Row<T>> finals_;
  std::vector<IndexEntry> final_index_;
  std::vector<IndexEntry> index_;  // the work rows and the finals, for one equation
  std::vector<int32_t> pos_, neg_;
  std::set<std::pair<int64_t, int32_t>> order_;  // (cost, equation) of those left
  int32_t eliminated_ = 0;
  std::atomic<uint64_t> formed_{0};  // rows formed for the equation in hand
  std::atomic<bool> over_cap_{false};
};

template <class T>
void Elimination<T>::Count(const Row<T>& row, int delta) {
  for (std::size_t i = 0; i < row.eqs.size(); ++i) {
    const int32_t e = row.eqs[i];
    order_.erase({Cost(e), e});
    (SignOf(row.r[i]) > 0 ? pos_ : neg_)[e] += delta;
    order_.insert({Cost(e), e});
  }
}

template <class T>
void Elimination<T>::Keep(Row<T> row) {
  if (row.eqs.empty()) {
    final_index_.emplace_back(row.support.Lowest(), nullptr);  // pointer set once finals stop moving
    finals_.push_back(std::move(row));
  } else {
    Count(row, 1);
    work_.push_back(std::move(row));
  }
}

// The combinatorial test: the combination of a and b has minimal support
// exactly when no other row of the old set has its support within theirs.
template <class T>
bool Elimination<T>::Minimal(const Support& u, const Row<T>* a, const Row<T>* b) const {
  for (std::size_t w = 0; w < u.word.size(); ++w) {
    for (uint64_t bits = u.bits[w]; bits != 0; bits &= bits - 1) {
      const int32_t v = static_cast<int32_t>(u.word[w] * 64 + std::countr_zero(bits));
      auto it = std::lower_bound(index_.begin(), index_.end(), IndexEntry{v, nullptr});
      for (; it != index_.end() && it->first == v; ++it) {
        if (it->second != a && it->second != b && it->second->support.Within(u)) return false;
      }
    }
  }
  return true;
}

template <class T>
void Elimination<T>::Combine(const Row<T>& a, const Row<T>& b, int32_t e, Support u, std::vector<Row<T>>& out) const {
  const auto at = [e](const Row<T>& row) {
    return row.r[std::lower_bound(row.eqs.begin(), row.eqs.end(), e) - row.eqs.begin()];
  };
  const T& ca = at(a);
  const T& cb = at(b);
  const T g = GcdOf(ca, cb);
  const T ma = DivideBy(Negate(cb), g);  // both positive
  const T mb = DivideBy(ca, g);
  Row<T> row;
  row.vars.reserve(u.count);
  row.x.reserve(u.count);
  std::size_t i = 0, j = 0;
  while (i < a.vars.size() || j < b.vars.size()) {
    if (j == b.vars.size() || (i < a.vars.size() && a.vars[i] < b.vars[j])) {
      row.vars.push_back(a.vars[i]);
      row.x.push_back(Multiply(ma, a.x[i++]));
    } else if (i == a.vars.size() || b.vars[j] < a.vars[i]) {
      row.vars.push_back(b.vars[j]);
      row.x.push_back(Multiply(mb, b.x[j++]));
    } else {
      row.vars.push_back(a.vars[i]);
      row.x.push_back(Add(Multiply(ma, a.x[i++]), Multiply(mb, b.x[j++])));
    }
  }
  i = j = 0;
  while (i < a.eqs.size() || j < b.eqs.size()) {
    int32_t eq;
    T value;
    if (j == b.eqs.size() || (i < a.eqs.size() && a.eqs[i] < b.eqs[j])) {
      eq = a.eqs[i];
      value = Multiply(ma, a.r[i++]);
    } else if (i == a.eqs.size() || b.eqs[j] < a.eqs[i]) {
      eq = b.eqs[j];
      value = Multiply(mb, b.r[j++]);
    } else {
      eq = a.eqs[i];
      value = Add(Multiply(ma, a.r[i++]), Multiply(mb, b.r[j++]));
    }
    if (eq != e && SignOf(value) != 0) {
      row.eqs.push_back(eq);
      row.r.push_back(std::move(value));
    }
  }
  // The weights' gcd divides the residual too, since that is A.x.
  T d = row.x[0];
  for (std::size_t k = 1; k < row.x.size() && !IsOneValue(d); ++k) d = GcdOf(d, row.x[k]);
  if (!IsOneValue(d)) {
    for (auto& value : row.x) value = DivideBy(value, d);
    for (auto& value : row.r) value = DivideBy(value, d);
  }
  row.support = std::move(u);
  out.push_back(std::move(row));
}

template <class T>
bool Elimination<T>::Pairs(const std::vector<const Row<T>*>& pos_rows, const std::vector<const Row<T>*>& neg_rows,
                           std::size_t begin, std::size_t end, int32_t e, std::vector<Row<T>>& out) {
  // A minimal support of a system of k equations has at most k + 1 variables.
  const auto most = static_cast<uint32_t>(eliminated_ + 1);
  for (std::size_t i = begin; i < end; ++i) {
    for (const Row<T>* b : neg_rows) {
      Support u = Support::Union(pos_rows[i]->support, b->support);
      if (u.count > most || !Minimal(u, pos_rows[i], b)) continue;
      Combine(*pos_rows[i], *b, e, std::move(u), out);
      if (budget_.held.load() + ++formed_ > budget_.limit) over_cap_ = true;
      if (over_cap_) {
        out.pop_back();
        return false;
      }
    }
  }
  return true;
}

template <class T>
EliminationOutcome Elimination<T>::Run(const StepReport& step, int threads) {
  const SparseSystem& s = system_;
  pos_.assign(static_cast<std::size_t>(s.equations), 0);
  neg_.assign(static_cast<std::size_t>(s.equations), 0);
  for (int32_t e = 0; e < s.equations; ++e) order_.insert({0, e});
  for (int32_t v = 0; v < s.variables; ++v) {
    Row<T> row;
    row.vars = {v};
    row.x = {T(1)};
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) {
      row.eqs.push_back(s.equation[k]);
      row.r.push_back(T(s.coefficient[k]));
    }
    row.support = Support::Of(row.vars);
    Keep(std::move(row));
  }
  Hold(static_cast<uint64_t>(s.variables));
  EliminationOutcome outcome;
  while (!order_.empty()) {
    const int32_t e = order_.begin()->second;
    order_.erase(order_.begin());
    ++eliminated_;
    std::vector<const Row<T>*> pos_rows, neg_rows;
    std::vector<Row<T>> kept, fresh;
    for (auto& row : work_) {
      auto it = std::lower_bound(row.eqs.begin(), row.eqs.end(), e);
      if (it == row.eqs.end() || *it != e) continue;
      (SignOf(row.r[it - row.eqs.begin()]) > 0 ? pos_rows : neg_rows).push_back(&row);
    }
    if (!pos_rows.empty() && !neg_rows.empty()) {
      for (std::size_t k = 0; k < finals_.size(); ++k) final_index_[k].second = &finals_[k];
      index_ = final_index_;
      for (const auto& row : work_) index_.emplace_back(row.support.Lowest(), &row);
      std::sort(index_.begin(), index_.end());
      std::vector<Row<T>> other;
      formed_ = 0;
      SecondThread second;
      std::size_t half = 0;
      if (threads > 1 && pos_rows.size() > 1 && pos_rows.size() * neg_rows.size() >= kPairsForTwoThreads) {
        half = pos_rows.size() / 2;
        if (!second.Start([&] { Pairs(pos_rows, neg_rows, 0, half, e, other); })) half = 0;
      }
      Pairs(pos_rows, neg_rows, half, pos_rows.size(), e, fresh);
      second.Join();
      Hold(fresh.size() + other.size());
      std::move(other.begin(), other.end(), std::back_inserter(fresh));
      if (over_cap_) {
        outcome.complete = false;
        outcome.eliminated = eliminated_ - 1;
        return outcome;
      }
    }
    // The rows with a coefficient at e leave; the combinations come in.
    const uint64_t before = work_.size();
    for (auto& row : work_) {
      if (std::binary_search(row.eqs.begin(), row.eqs.end(), e)) {
        Count(row, -1);
      } else {
        kept.push_back(std::move(row));
      }
    }
    Release(before - kept.size());
    work_ = std::move(kept);
    for (auto& row : fresh) Keep(std::move(row));
    if (step) step(eliminated_, budget_.held.load());
  }
  outcome.eliminated = eliminated_;
  for (auto& row : finals_) {
    Semiflow flow{std::move(row.vars), {}};
    flow.weights.reserve(row.x.size());
    for (const auto& value : row.x) flow.weights.push_back(ToInteger(value));
    outcome.semiflows.push_back(std::move(flow));
  }
  return outcome;
}

}  // namespace

EliminationOutcome Eliminate(const SparseSystem& system, RowBudget& budget, const StepReport& step, int threads) {
  try {
    return Elimination<int64_t>(system, budget).Run(step, threads);
  } catch (const Overflow&) {
    return Elimination<Integer>(system, budget).Run(step, threads);
  }
}

}  // namespace vantira
