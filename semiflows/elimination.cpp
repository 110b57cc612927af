#include "semiflows/elimination.h"

#include <algorithm>
#include <new>
#include <set>
#include <utility>

#include "base/second_thread.h"
#include "semiflows/coefficient.h"
#include "semiflows/support.h"
#include "semiflows/support_tree.h"

namespace vantira {
namespace {

// A candidate semiflow x: its weights by variable (vars ascending) and its
// residual A.x on the equations not yet eliminated (eqs ascending, no zeros).
template <class T>
struct Row {
  std::vector<int32_t> vars;
  std::vector<T> weights;
  std::vector<int32_t> eqs;
  std::vector<T> residual;
  Support support;
};

// Below this many pairs an equation is combined on one thread.
constexpr uint64_t kPairsForTwoThreads = 4096;

// The clock is read once per this many pairs looked at (a power of two).
constexpr uint64_t kPairsPerClockRead = 4096;

// What a vector holds on the heap: its capacity, with the allocator's
// header, rounded as glibc rounds its chunks.
template <class V>
uint64_t HeapOf(const std::vector<V>& v) {
  if (v.capacity() == 0) return 0;
  return std::max<uint64_t>(32, (v.capacity() * sizeof(V) + 8 + 15) & ~uint64_t{15});
}
inline uint64_t ValueHeap(const std::vector<int64_t>&) { return 0; }
inline uint64_t ValueHeap(const std::vector<Integer>& values) {
  uint64_t bytes = 0;
  for (const Integer& value : values) bytes += value.HeapBytes();
  return bytes;
}

// What a row holds that goes when it is dropped.
template <class T>
uint64_t RowHeap(const Row<T>& row) {
  return HeapOf(row.vars) + HeapOf(row.weights) + HeapOf(row.eqs) + HeapOf(row.residual) + HeapOf(row.support.word) +
         HeapOf(row.support.bits) + ValueHeap(row.weights) + ValueHeap(row.residual);
}

// What a row made costs for the rest of the elimination: its place among
// the rows made and in the vector of the equation's new rows (each with a
// vector's slack), its entries in the lists by equation and by key.
template <class T>
uint64_t RowSlot(const Row<T>& row) {
  return 3 * sizeof(Row<T>) + sizeof(uint32_t) * row.eqs.size() + 16;
}

// What one thread marks for the tree: the variables of the union in hand.
struct Marks {
  std::vector<uint32_t> marked;
  uint32_t stamp = 0;
};

template <class T>
class Elimination {
 public:
  Elimination(const SparseSystem& system, RowBudget& budget, double tree_cost)
      : system_(system), budget_(budget), tree_cost_(tree_cost) {}
  ~Elimination() {
    budget_.held -= counted_;
    budget_.bytes -= bytes_;
  }

  EliminationOutcome Run(const StepReport& step, int threads);

 private:
  // Fewest rows added first; among equal costs a fixed scramble of the
  // numbers, so that a long chain is joined from many places at once rather
  // than grown from one end (which makes its rows long early).
  using OrderKey = std::pair<int64_t, uint32_t>;
  OrderKey Key(int32_t e) const {
    return {int64_t{pos_[e]} * neg_[e] - pos_[e] - neg_[e], static_cast<uint32_t>(e) * 2654435761u};
  }
  void Count(const Row<T>& row, int delta);
  bool Minimal(const Support& u, uint32_t a, uint32_t b, Marks& marks) const;
  void Combine(const Row<T>& a, const Row<T>& b, int32_t e, Support u, std::vector<Row<T>>& out) const;
  // Stops the equation in hand, for `why`.
  void Stop(SemiflowResult::Stop why) {
    int expected = 0;
    why_.compare_exchange_strong(expected, static_cast<int>(why));
    over_cap_ = true;
  }
  bool Late() const { return budget_.timed && std::chrono::steady_clock::now() >= budget_.deadline; }
  // Combines the pos rows [begin, end) with every neg row; stops at a cap.
  void Pairs(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows, std::size_t begin,
             std::size_t end, int32_t e, std::vector<Row<T>>& out);
  void Keep(Row<T> row);
  void Drop(uint32_t id);
  // The steps of Run.
  void Start();
  int32_t TakeNext(std::vector<uint32_t>& pos_rows, std::vector<uint32_t>& neg_rows);
  void ChooseTest(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows);
  bool BuildTree();
  void CombineAll(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows, int32_t e, int threads,
                  std::vector<Row<T>>& fresh, std::vector<Row<T>>& other);
  void Replace(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows, std::vector<Row<T>>& fresh,
               std::vector<Row<T>>& other);
  EliminationOutcome Stopped(SemiflowResult::Stop why, int32_t eliminated, uint64_t held) const;
  EliminationOutcome Collect();

  const SparseSystem& system_;
  RowBudget& budget_;
  uint64_t counted_ = 0;  // what this elimination added to the budget
  uint64_t bytes_ = 0;    // and in bytes
  // Every row made, by number; a row eliminated is emptied and marked dead,
  // its number never reused, so the lists below may hold it until swept.
  std::vector<Row<T>> rows_;
  std::vector<bool> dead_;
  std::vector<std::vector<uint32_t>> at_equation_;  // rows with a residual at each equation
  // Rows by a key variable of their support, the one in fewest rows when the
  // row was made: a row within a union has its key there, and rare keys keep
  // the buckets a union looks into short.
  std::vector<std::vector<uint32_t>> by_key_;
  std::vector<int32_t> key_;       // of each row
  std::vector<uint32_t> holding_;  // how many live rows hold each variable
  std::vector<int32_t> swept_;     // buckets of by_key_ that hold dead rows
  std::vector<int32_t> pos_, neg_;
  std::vector<bool> done_;                                            // equations eliminated
  std::set<std::pair<OrderKey, int32_t>> order_;                      // (key, equation) of those left
  // The key each equation has in order_, and those whose counts changed
  // since: re-keyed once per equation eliminated, and only when the key
  // moved (a long row replaced by its combination mostly keeps its signs).
  std::vector<OrderKey> keyed_;
  std::vector<bool> touched_;
  std::vector<int32_t> retouched_;
  void Rekey();
  int32_t eliminated_ = 0;
  std::atomic<uint64_t> formed_{0};  // rows formed for the equation in hand
  std::atomic<uint64_t> formed_bytes_{0};  // and their bytes
  std::atomic<bool> over_cap_{false};
  std::atomic<int> why_{0};  // the first cap passed, a SemiflowResult::Stop
  double tree_cost_;
  SupportTree tree_;  // over the old set, for an equation with many pairs
  bool use_tree_ = false;
};

template <class T>
void Elimination<T>::Count(const Row<T>& row, int delta) {
  for (std::size_t i = 0; i < row.eqs.size(); ++i) {
    const int32_t e = row.eqs[i];
    if (done_[e]) continue;
    (SignOf(row.residual[i]) > 0 ? pos_ : neg_)[e] += delta;
    if (!touched_[e]) {
      touched_[e] = true;
      retouched_.push_back(e);
    }
  }
}

template <class T>
void Elimination<T>::Rekey() {
  for (int32_t e : retouched_) {
    touched_[e] = false;
    if (done_[e] || Key(e) == keyed_[e]) continue;
    order_.erase({keyed_[e], e});
    keyed_[e] = Key(e);
    order_.insert({keyed_[e], e});
  }
  retouched_.clear();
}

template <class T>
void Elimination<T>::Keep(Row<T> row) {
  const auto id = static_cast<uint32_t>(rows_.size());
  Count(row, 1);
  for (int32_t e : row.eqs) at_equation_[e].push_back(id);
  int32_t key = row.vars[0];
  for (int32_t v : row.vars) {
    if (holding_[v] < holding_[key]) key = v;
    ++holding_[v];
  }
  by_key_[key].push_back(id);
  key_.push_back(key);
  const uint64_t bytes = RowHeap(row) + RowSlot(row);
  rows_.push_back(std::move(row));
  dead_.push_back(false);
  ++counted_;
  ++budget_.held;
  bytes_ += bytes;
  budget_.bytes += bytes;
}

template <class T>
void Elimination<T>::Drop(uint32_t id) {
  Count(rows_[id], -1);
  swept_.push_back(key_[id]);
  for (int32_t v : rows_[id].vars) --holding_[v];
  const uint64_t bytes = RowHeap(rows_[id]);
  bytes_ -= bytes;
  budget_.bytes -= bytes;
  dead_[id] = true;
  rows_[id] = Row<T>{};
  --counted_;
  --budget_.held;
}

// The combinatorial test: the combination of a and b has minimal support
// exactly when no other row of the old set has its support within theirs.
// Such a row's key variable is in the union, so only the buckets of the
// union's variables are looked at; or the tree, when it was built.
template <class T>
bool Elimination<T>::Minimal(const Support& u, uint32_t a, uint32_t b, Marks& marks) const {
  if (use_tree_) {
    if (++marks.stamp == 0) {  // wrapped: start the marks again
      std::fill(marks.marked.begin(), marks.marked.end(), 0);
      marks.stamp = 1;
    }
    for (std::size_t w = 0; w < u.word.size(); ++w)
      for (uint64_t bits = u.bits[w]; bits != 0; bits &= bits - 1)
        marks.marked[u.word[w] * 64 + std::countr_zero(bits)] = marks.stamp;
    return !tree_.AnyWithin(marks.marked, marks.stamp, a, b, [&](uint32_t c) { return rows_[c].support.Within(u); });
  }
  for (std::size_t w = 0; w < u.word.size(); ++w) {
    for (uint64_t bits = u.bits[w]; bits != 0; bits &= bits - 1) {
      const auto v = static_cast<std::size_t>(u.word[w] * 64 + std::countr_zero(bits));
      for (uint32_t c : by_key_[v]) {
        if (c != a && c != b && !dead_[c] && rows_[c].support.Within(u)) return false;
      }
    }
  }
  return true;
}

template <class T>
void Elimination<T>::Combine(const Row<T>& a, const Row<T>& b, int32_t e, Support u, std::vector<Row<T>>& out) const {
  const auto at = [e](const Row<T>& row) {
    return row.residual[std::lower_bound(row.eqs.begin(), row.eqs.end(), e) - row.eqs.begin()];
  };
  const T& ca = at(a);
  const T& cb = at(b);
  const T g = GcdOf(ca, cb);
  const T ma = DivideBy(Negate(cb), g);  // both positive
  const T mb = DivideBy(ca, g);
  Row<T> row;
  row.vars.reserve(u.count);
  row.weights.reserve(u.count);
  std::size_t i = 0, j = 0;
  while (i < a.vars.size() || j < b.vars.size()) {
    if (j == b.vars.size() || (i < a.vars.size() && a.vars[i] < b.vars[j])) {
      row.vars.push_back(a.vars[i]);
      row.weights.push_back(Multiply(ma, a.weights[i++]));
    } else if (i == a.vars.size() || b.vars[j] < a.vars[i]) {
      row.vars.push_back(b.vars[j]);
      row.weights.push_back(Multiply(mb, b.weights[j++]));
    } else {
      row.vars.push_back(a.vars[i]);
      row.weights.push_back(Add(Multiply(ma, a.weights[i++]), Multiply(mb, b.weights[j++])));
    }
  }
  i = j = 0;
  while (i < a.eqs.size() || j < b.eqs.size()) {
    int32_t eq;
    T value;
    if (j == b.eqs.size() || (i < a.eqs.size() && a.eqs[i] < b.eqs[j])) {
      eq = a.eqs[i];
      value = Multiply(ma, a.residual[i++]);
    } else if (i == a.eqs.size() || b.eqs[j] < a.eqs[i]) {
      eq = b.eqs[j];
      value = Multiply(mb, b.residual[j++]);
    } else {
      eq = a.eqs[i];
      value = Add(Multiply(ma, a.residual[i++]), Multiply(mb, b.residual[j++]));
    }
    if (eq != e && SignOf(value) != 0) {
      row.eqs.push_back(eq);
      row.residual.push_back(std::move(value));
    }
  }
  // The weights' gcd divides the residual too, since that is A.x.
  T d = row.weights[0];
  for (std::size_t k = 1; k < row.weights.size() && !IsOneValue(d); ++k) d = GcdOf(d, row.weights[k]);
  if (!IsOneValue(d)) {
    for (auto& value : row.weights) value = DivideBy(value, d);
    for (auto& value : row.residual) value = DivideBy(value, d);
  }
  row.support = std::move(u);
  out.push_back(std::move(row));
}

template <class T>
void Elimination<T>::Pairs(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows,
                           std::size_t begin, std::size_t end, int32_t e, std::vector<Row<T>>& out) {
  // A minimal support of a system of k equations has at most k + 1 variables.
  const auto most = static_cast<uint32_t>(eliminated_ + 1);
  Marks marks;
  if (use_tree_) marks.marked.assign(static_cast<std::size_t>(system_.variables), 0);
  uint64_t looked = 0;
  for (std::size_t i = begin; i < end && !over_cap_; ++i) {
    const Row<T>& a = rows_[pos_rows[i]];
    for (uint32_t b : neg_rows) {
      if ((++looked & (kPairsPerClockRead - 1)) == 0 && (over_cap_ || Late())) {
        Stop(SemiflowResult::Stop::kTime);
        return;
      }
      Support u = Support::Union(a.support, rows_[b].support);
      if (u.count > most || !Minimal(u, pos_rows[i], b, marks)) continue;
      if (budget_.held.load() + ++formed_ > budget_.limit) {
        Stop(SemiflowResult::Stop::kRows);
        return;
      }
      Combine(a, rows_[b], e, std::move(u), out);
      if (budget_.byte_limit != 0 &&
          budget_.bytes.load() + (formed_bytes_ += RowHeap(out.back()) + RowSlot(out.back())) > budget_.byte_limit) {
        Stop(SemiflowResult::Stop::kMemory);
        return;
      }
    }
  }
}

// The rows at the start: one per variable, its column.
template <class T>
void Elimination<T>::Start() {
  const SparseSystem& s = system_;
  pos_.assign(static_cast<std::size_t>(s.equations), 0);
  neg_.assign(static_cast<std::size_t>(s.equations), 0);
  done_.assign(static_cast<std::size_t>(s.equations), false);
  at_equation_.resize(static_cast<std::size_t>(s.equations));
  by_key_.resize(static_cast<std::size_t>(s.variables));
  holding_.assign(static_cast<std::size_t>(s.variables), 0);
  keyed_.resize(static_cast<std::size_t>(s.equations));
  touched_.assign(static_cast<std::size_t>(s.equations), false);
  for (int32_t e = 0; e < s.equations; ++e) {
    keyed_[e] = Key(e);
    order_.insert({keyed_[e], e});
  }
  for (int32_t v = 0; v < s.variables; ++v) {
    Row<T> row;
    row.vars = {v};
    row.weights = {T(1)};
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) {
      row.eqs.push_back(s.equation[k]);
      row.residual.push_back(T(s.coefficient[k]));
    }
    row.support = Support::Of(row.vars);
    Keep(std::move(row));
  }
}

// The next equation in the order, marked eliminated, and its live rows by
// the sign of their coefficient there.
template <class T>
int32_t Elimination<T>::TakeNext(std::vector<uint32_t>& pos_rows, std::vector<uint32_t>& neg_rows) {
  const int32_t e = order_.begin()->second;
  order_.erase(order_.begin());
  done_[e] = true;
  ++eliminated_;
  pos_rows.clear();
  neg_rows.clear();
  for (uint32_t id : at_equation_[e]) {
    if (dead_[id]) continue;
    const Row<T>& row = rows_[id];
    const auto k = std::lower_bound(row.eqs.begin(), row.eqs.end(), e) - row.eqs.begin();
    (SignOf(row.residual[k]) > 0 ? pos_rows : neg_rows).push_back(id);
  }
  std::vector<uint32_t>().swap(at_equation_[e]);
  return e;
}

// The key lists cost a union about (its size) x (rows per variable)
// entries; the tree about tree_cost steps per row to build, and a query
// little beside that. The cheaper is taken for this equation's pairs.
template <class T>
void Elimination<T>::ChooseTest(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows) {
  double sizes = 0;
  for (const auto* side : {&pos_rows, &neg_rows})
    for (uint32_t id : *side) sizes += static_cast<double>(rows_[id].vars.size()) / static_cast<double>(side->size());
  const double live = static_cast<double>(counted_);
  const double scan = static_cast<double>(pos_rows.size()) * static_cast<double>(neg_rows.size()) * sizes * live /
                      static_cast<double>(system_.variables);
  use_tree_ = scan >= tree_cost_ * live;
}

// The tree over the live rows; false when the time ran out first.
template <class T>
bool Elimination<T>::BuildTree() {
  std::vector<uint32_t> live;
  live.reserve(counted_);
  for (uint32_t id = 0; id < rows_.size(); ++id)
    if (!dead_[id]) live.push_back(id);
  const std::function<bool()> late = [this] { return Late(); };
  return tree_.Build(
      std::move(live), [this](uint32_t id) { return std::span<const int32_t>(rows_[id].vars); }, system_.variables,
      budget_.timed ? late : std::function<bool()>());
}

// Every pair of the equation, the first half of the positive rows on a
// second thread when there are many pairs and one is to be had.
template <class T>
void Elimination<T>::CombineAll(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows, int32_t e,
                                int threads, std::vector<Row<T>>& fresh, std::vector<Row<T>>& other) {
  SecondThread second;
  std::size_t half = 0;
  if (threads > 1 && pos_rows.size() > 1 && pos_rows.size() * neg_rows.size() >= kPairsForTwoThreads) {
    half = pos_rows.size() / 2;
    if (!second.Start([&] { Pairs(pos_rows, neg_rows, 0, half, e, other); })) half = 0;
  }
  Pairs(pos_rows, neg_rows, half, pos_rows.size(), e, fresh);
  second.Join();
}

// The rows with a coefficient at the equation leave; the combinations come
// in; the key lists lose their dead rows.
template <class T>
void Elimination<T>::Replace(const std::vector<uint32_t>& pos_rows, const std::vector<uint32_t>& neg_rows,
                             std::vector<Row<T>>& fresh, std::vector<Row<T>>& other) {
  for (uint32_t id : pos_rows) Drop(id);
  for (uint32_t id : neg_rows) Drop(id);
  for (auto* made : {&fresh, &other})
    for (auto& row : *made) Keep(std::move(row));
  std::sort(swept_.begin(), swept_.end());
  swept_.erase(std::unique(swept_.begin(), swept_.end()), swept_.end());
  for (int32_t v : swept_) std::erase_if(by_key_[v], [this](uint32_t id) { return dead_[id]; });
  swept_.clear();
}

template <class T>
EliminationOutcome Elimination<T>::Stopped(SemiflowResult::Stop why, int32_t eliminated, uint64_t held) const {
  EliminationOutcome outcome;
  outcome.complete = false;
  outcome.stop = why;
  outcome.eliminated = eliminated;
  outcome.held = held;
  return outcome;
}

// The rows left are the minimal semiflows.
template <class T>
EliminationOutcome Elimination<T>::Collect() {
  EliminationOutcome outcome;
  outcome.eliminated = eliminated_;
  for (std::size_t id = 0; id < rows_.size(); ++id) {
    if (dead_[id]) continue;
    Row<T>& row = rows_[id];
    Semiflow flow{std::move(row.vars), {}};
    flow.weights.reserve(row.weights.size());
    for (const auto& value : row.weights) flow.weights.push_back(ToInteger(value));
    outcome.semiflows.push_back(std::move(flow));
  }
  return outcome;
}

template <class T>
EliminationOutcome Elimination<T>::Run(const StepReport& step, int threads) {
  using Stop = SemiflowResult::Stop;
  Start();
  std::vector<uint32_t> pos_rows, neg_rows;
  std::vector<Row<T>> fresh, other;
  for (Rekey(); !order_.empty(); Rekey()) {
    const int32_t e = TakeNext(pos_rows, neg_rows);
    fresh.clear();
    other.clear();
    if (!pos_rows.empty() && !neg_rows.empty()) {
      formed_ = 0;
      formed_bytes_ = 0;
      ChooseTest(pos_rows, neg_rows);
      if (Late() || (use_tree_ && !BuildTree())) return Stopped(Stop::kTime, eliminated_ - 1, budget_.held.load());
      CombineAll(pos_rows, neg_rows, e, threads, fresh, other);
      if (over_cap_)
        return Stopped(static_cast<Stop>(why_.load()), eliminated_ - 1, budget_.held.load() + formed_.load());
    }
    Replace(pos_rows, neg_rows, fresh, other);
    budget_.eliminated = eliminated_;
    budget_.last_held = budget_.held.load();
    if (step) step(eliminated_, budget_.held.load());
    if (!order_.empty() && Late()) return Stopped(Stop::kTime, eliminated_, budget_.held.load());
  }
  return Collect();
}

}  // namespace

EliminationOutcome Eliminate(const SparseSystem& system, RowBudget& budget, const StepReport& step,
                             const SemiflowOptions& options) {
  budget.eliminated = 0;
  budget.last_held = budget.held.load();
  try {
    try {
      return Elimination<int64_t>(system, budget, options.tree_cost).Run(step, options.threads);
    } catch (const Overflow&) {
      budget.eliminated = 0;
      return Elimination<Integer>(system, budget, options.tree_cost).Run(step, options.threads);
    }
  } catch (const std::bad_alloc&) {
    // Unwinding has freed the rows: what is left is enough to say so.
    EliminationOutcome outcome;
    outcome.complete = false;
    outcome.stop = SemiflowResult::Stop::kNoMemory;
    outcome.eliminated = budget.eliminated;
    outcome.held = budget.last_held;
    return outcome;
  }
}

}  // namespace vantira
