#include "analysis/pieces.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "analysis/lp.h"

namespace vantira {

namespace {

// Tolerances tried in turn when a piece's counts or weights are read as
// whole numbers.
constexpr double kTolerances[] = {1e-9, 1e-7, 1e-5, 1e-11};

Integer CeilDivide(const Integer& a, const Integer& b) { return FloorDivide(a + b - Integer(1), b); }

void Raise(Integer& value, const Integer& least) {
  if (value < least) value = least;
}

std::vector<Integer> Dense(const SparseVector& v, std::size_t size) {
  std::vector<Integer> out(size, Integer(0));
  for (std::size_t k = 0; k < v.nodes.size(); ++k) out[static_cast<std::size_t>(v.nodes[k])] = v.values[k];
  return out;
}

// `values` read as whole numbers into `out`, at the first tolerance for
// which `checks` then holds.
template <typename Check>
bool ReadWhole(std::span<const double> values, std::vector<Integer>& out, Check checks) {
  std::vector<int32_t> index(values.size());
  for (std::size_t i = 0; i < index.size(); ++i) index[i] = static_cast<int32_t>(i);
  for (double tolerance : kTolerances) {
    const std::optional<SparseVector> v = WholeNumbers(index, values, tolerance);
    if (!v) continue;
    out = Dense(*v, values.size());
    if (checks()) return true;
  }
  return false;
}

// Position of `node` in the sorted `nodes`, or -1.
int32_t Find(const std::vector<int32_t>& nodes, int32_t node) {
  const auto at = std::lower_bound(nodes.begin(), nodes.end(), node);
  return at != nodes.end() && *at == node ? static_cast<int32_t>(at - nodes.begin()) : -1;
}

// The part's places and transitions as the nodes of one graph: place i is
// node i, transition j node m + j, with an arc p -> t where t takes tokens
// from p and t -> p where it puts them (C's sign; a loop that gives back
// what it takes is no arc).
//
// Why pieces suffice. Take the pieces (strongly connected components) in
// order, sources first. A ray's transition t of piece K that takes from a
// place p upstream of K makes p gain once the ray's part from K on is
// dropped; so when such a p is known to gain on no ray, t fires in none
// (t is `excluded`) and K is cut again without it. A place of K that a firing
// transition upstream feeds gains. What is left of K is the piece's own
// program (SolvePiece), over the places of K not known to gain: any ray of
// the whole part restricted to K is one of it, and any of its rays, plus
// enough of the rays upstream, is one of the whole part. The certificates
// are then put together downstream first: each piece's ray and weighting
// scaled, in whole numbers, to what the pieces after it need of it.
class Pieces {
 public:
  Pieces(const TokenNet& net, std::span<const int32_t> places, std::size_t& work, std::size_t budget);
  bool Classify();
  PieceCertificates Certificates();

 private:
  struct Entry {
    int32_t node;  // local
    int64_t weight;
  };
  // A piece: one node, or a component solved by its program.
  struct Block {
    std::vector<int32_t> nodes;
    std::vector<int32_t> rows;         // the program's places
    std::vector<int32_t> transitions;  // its transitions, and their counts and weights
    std::vector<Integer> counts;
    std::vector<Integer> weights;  // by row
    std::vector<Integer> gains;    // by row: (C.s)_q within the piece
  };

  static Integer Dot(std::span<const Entry> entries, const std::vector<Integer>& values) {
    Integer sum(0);
    for (const Entry& e : entries) {
      const Integer& v = values[static_cast<std::size_t>(e.node)];
      if (v.Sign() != 0) sum += Integer(e.weight) * v;
    }
    return sum;
  }
  bool IsPlace(int32_t node) const { return node < m_; }
  std::span<const Entry> Row(int32_t place) const {
    return {row_.data() + row_start_[static_cast<std::size_t>(place)],
            row_.data() + row_start_[static_cast<std::size_t>(place) + 1]};
  }
  std::span<const Entry> Column(int32_t t) const {
    return {column_.data() + column_start_[static_cast<std::size_t>(t)],
            column_.data() + column_start_[static_cast<std::size_t>(t) + 1]};
  }
  std::vector<std::vector<int32_t>> Components(const std::vector<int32_t>& nodes);
  int32_t Next(int32_t node, std::size_t& at) const;
  bool Enter(const std::vector<int32_t>& component);
  bool SolveBlock(Block& block, const std::vector<int32_t>& component);
  bool ReadCounts(Block& block, std::span<const double> counts);
  bool ReadWeights(Block& block, std::span<const double> weights, const std::vector<int32_t>& exits);
  void RayOfBlock(const Block& block);
  void WeightingOfBlock(const Block& block);
  // Transition t's sum over the places weighed so far, and (C.s)_q for
  // the counts so far.
  Integer Residual(int32_t t) const { return Dot(Column(t), weight_); }
  Integer Change(int32_t place) const { return Dot(Row(place), ray_); }
  Integer Pays(int32_t q, const Integer& unit) const;
  void Demand(int32_t place);

  const TokenNet& net_;
  std::span<const int32_t> places_;
  std::size_t& work_;
  std::size_t budget_;
  std::vector<int32_t> transitions_;  // global ids, sorted
  int32_t m_ = 0;
  int32_t n_ = 0;
  std::vector<Entry> row_, column_;
  std::vector<std::size_t> row_start_, column_start_;

  std::vector<char> excluded_, usable_, gained_;
  std::vector<int32_t> source_;      // by place: the firing producer upstream that makes it gain, or -1
  std::vector<int32_t> component_;   // by node: the stamp of the component it was last seen in
  int32_t stamp_ = 0;
  std::vector<int32_t> index_, low_, stack_;  // Tarjan's, by node
  std::vector<char> on_stack_;
  std::vector<Block> blocks_;  // sources first

  std::vector<Integer> ray_, weight_, demand_;  // by transition, place, transition
  std::vector<std::vector<int32_t>> pending_;   // by place: the excluded transitions it pays for
};

Pieces::Pieces(const TokenNet& net, std::span<const int32_t> places, std::size_t& work, std::size_t budget)
    : net_(net), places_(places), work_(work), budget_(budget) {
  m_ = static_cast<int32_t>(places.size());
  for (int32_t q : places) {
    for (const Weighted& entry : net.Row(q)) transitions_.push_back(entry.node);
  }
  std::sort(transitions_.begin(), transitions_.end());
  transitions_.erase(std::unique(transitions_.begin(), transitions_.end()), transitions_.end());
  n_ = static_cast<int32_t>(transitions_.size());
  std::unordered_map<int32_t, int32_t> place_of;
  for (int32_t i = 0; i < m_; ++i) place_of.emplace(places[static_cast<std::size_t>(i)], i);
  row_start_.push_back(0);
  for (int32_t q : places) {
    for (const Weighted& entry : net.Row(q)) {
      const auto t = std::lower_bound(transitions_.begin(), transitions_.end(), entry.node) - transitions_.begin();
      row_.push_back({static_cast<int32_t>(t), entry.weight});
    }
    row_start_.push_back(row_.size());
  }
  column_start_.push_back(0);
  for (int32_t t : transitions_) {
    for (const Weighted& entry : net.Column(t)) column_.push_back({place_of.at(entry.node), entry.weight});
    column_start_.push_back(column_.size());
  }
  const auto nodes = static_cast<std::size_t>(m_ + n_);
  excluded_.assign(static_cast<std::size_t>(n_), 0);
  usable_.assign(static_cast<std::size_t>(n_), 0);
  gained_.assign(static_cast<std::size_t>(m_), 0);
  source_.assign(static_cast<std::size_t>(m_), -1);
  pending_.assign(static_cast<std::size_t>(m_), {});
  component_.assign(nodes, 0);
  index_.assign(nodes, -1);
  low_.assign(nodes, 0);
  on_stack_.assign(nodes, 0);
}

// The successor of `node` at or after position `at` of its list, or -1;
// `at` moves past it.
int32_t Pieces::Next(int32_t node, std::size_t& at) const {
  if (IsPlace(node)) {
    const std::span<const Entry> row = Row(node);
    while (at < row.size()) {
      const Entry& e = row[at++];
      if (e.weight < 0 && !excluded_[static_cast<std::size_t>(e.node)]) return m_ + e.node;
    }
    return -1;
  }
  const std::span<const Entry> column = Column(node - m_);
  while (at < column.size()) {
    const Entry& e = column[at++];
    if (e.weight > 0) return e.node;
  }
  return -1;
}

// The strongly connected components among `nodes` (excluded transitions
// left out), sources first: Tarjan's, with an explicit stack.
std::vector<std::vector<int32_t>> Pieces::Components(const std::vector<int32_t>& nodes) {
  const int32_t inside = ++stamp_;
  for (int32_t v : nodes) component_[static_cast<std::size_t>(v)] = inside;
  std::vector<std::vector<int32_t>> components;
  std::vector<std::pair<int32_t, std::size_t>> calls;  // node, position in its list
  int32_t counter = 0;
  auto open = [&](int32_t v) {
    index_[static_cast<std::size_t>(v)] = low_[static_cast<std::size_t>(v)] = counter++;
    stack_.push_back(v);
    on_stack_[static_cast<std::size_t>(v)] = 1;
    calls.emplace_back(v, 0);
  };
  for (int32_t root : nodes) {
    if (index_[static_cast<std::size_t>(root)] >= 0 ||
        (!IsPlace(root) && excluded_[static_cast<std::size_t>(root - m_)]))
      continue;
    open(root);
    while (!calls.empty()) {
      auto& [v, at] = calls.back();
      const int32_t w = Next(v, at);
      if (w >= 0) {
        if (component_[static_cast<std::size_t>(w)] != inside) continue;
        if (index_[static_cast<std::size_t>(w)] < 0) {
          open(w);
        } else if (on_stack_[static_cast<std::size_t>(w)]) {
          low_[static_cast<std::size_t>(v)] =
              std::min(low_[static_cast<std::size_t>(v)], index_[static_cast<std::size_t>(w)]);
        }
        continue;
      }
      const int32_t done = v;
      calls.pop_back();
      const int32_t low = low_[static_cast<std::size_t>(done)];
      if (!calls.empty()) {
        int32_t& parent = low_[static_cast<std::size_t>(calls.back().first)];
        parent = std::min(parent, low);
      }
      if (index_[static_cast<std::size_t>(done)] != low) continue;
      std::vector<int32_t>& component = components.emplace_back();
      for (int32_t u = -1; u != done;) {
        u = stack_.back();
        stack_.pop_back();
        on_stack_[static_cast<std::size_t>(u)] = 0;
        component.push_back(u);
      }
    }
  }
  for (int32_t v : nodes) index_[static_cast<std::size_t>(v)] = -1;
  std::reverse(components.begin(), components.end());  // Tarjan's finishes sinks first
  return components;
}

// Takes a component in: its transitions that take from a place upstream
// known to gain on no ray are excluded, its places that a firing transition
// upstream feeds gain. False when it must be cut again.
bool Pieces::Enter(const std::vector<int32_t>& component) {
  const int32_t here = ++stamp_;
  for (int32_t v : component) component_[static_cast<std::size_t>(v)] = here;
  bool cut = false;
  for (int32_t v : component) {
    if (IsPlace(v)) {
      for (const Entry& e : Row(v)) {
        const auto t = static_cast<std::size_t>(e.node);
        if (e.weight > 0 && usable_[t] && component_[static_cast<std::size_t>(m_ + e.node)] != here &&
            !gained_[static_cast<std::size_t>(v)]) {
          gained_[static_cast<std::size_t>(v)] = 1;
          source_[static_cast<std::size_t>(v)] = e.node;
        }
      }
      continue;
    }
    for (const Entry& e : Column(v - m_)) {
      if (e.weight >= 0 || component_[static_cast<std::size_t>(e.node)] == here ||
          gained_[static_cast<std::size_t>(e.node)])
        continue;
      excluded_[static_cast<std::size_t>(v - m_)] = 1;
      pending_[static_cast<std::size_t>(e.node)].push_back(v - m_);  // the input upstream that pays for it
      cut = true;
      break;
    }
  }
  return !cut || component.size() == 1;
}

bool Pieces::Classify() {
  std::vector<int32_t> all(static_cast<std::size_t>(m_ + n_));
  for (std::size_t v = 0; v < all.size(); ++v) all[v] = static_cast<int32_t>(v);
  // Components still to take in, each list sources first, nested as cut.
  std::vector<std::pair<std::vector<std::vector<int32_t>>, std::size_t>> work;
  work.emplace_back(Components(all), 0);
  while (!work.empty()) {
    auto& [list, at] = work.back();
    if (at == list.size()) {
      work.pop_back();
      continue;
    }
    const std::vector<int32_t> component = list[at++];
    if (!Enter(component)) {
      std::vector<int32_t> rest;
      for (int32_t v : component) {
        if (IsPlace(v) || !excluded_[static_cast<std::size_t>(v - m_)]) rest.push_back(v);
      }
      work.emplace_back(Components(rest), 0);
      continue;
    }
    Block block;
    block.nodes = component;
    if (component.size() == 1) {
      const int32_t v = component[0];
      if (!IsPlace(v)) {
        if (excluded_[static_cast<std::size_t>(v - m_)]) continue;
        usable_[static_cast<std::size_t>(v - m_)] = 1;
      }
    } else if (!SolveBlock(block, component)) {
      return false;
    }
    blocks_.push_back(std::move(block));
  }
  return true;
}

// A component's own program, its answer read in whole numbers and checked
// within the component; marks what gains and what fires.
bool Pieces::SolveBlock(Block& block, const std::vector<int32_t>& component) {
  const int32_t here = component_[static_cast<std::size_t>(component[0])];
  std::vector<int32_t> exits;
  for (int32_t v : component) {
    if (IsPlace(v)) {
      if (!gained_[static_cast<std::size_t>(v)]) block.rows.push_back(v);
      continue;
    }
    block.transitions.push_back(v - m_);
    for (const Entry& e : Column(v - m_)) {
      if (e.weight > 0 && component_[static_cast<std::size_t>(e.node)] != here) {
        exits.push_back(v - m_);
        break;
      }
    }
  }
  std::sort(block.rows.begin(), block.rows.end());
  std::sort(block.transitions.begin(), block.transitions.end());
  std::sort(exits.begin(), exits.end());
  // With no place to keep, every transition fires.
  block.counts.assign(block.transitions.size(), Integer(1));
  block.gains.assign(block.rows.size(), Integer(0));
  block.weights.assign(block.rows.size(), Integer(0));
  if (!block.rows.empty()) {
    std::vector<int32_t> rows, transitions, global_exits;
    for (int32_t q : block.rows) rows.push_back(places_[static_cast<std::size_t>(q)]);
    for (int32_t t : block.transitions) transitions.push_back(transitions_[static_cast<std::size_t>(t)]);
    for (int32_t t : exits) global_exits.push_back(transitions_[static_cast<std::size_t>(t)]);
    if (work_ >= budget_) return false;
    const PieceAnswer answer = SolvePiece(net_, rows, transitions, global_exits, budget_ - work_);
    work_ += answer.work;
    if (!answer.solved || !ReadCounts(block, answer.counts) || !ReadWeights(block, answer.weights, exits)) return false;
  }
  for (std::size_t i = 0; i < block.rows.size(); ++i) {
    if (block.gains[i].Sign() > 0) gained_[static_cast<std::size_t>(block.rows[i])] = 1;
  }
  for (std::size_t j = 0; j < block.transitions.size(); ++j) {
    if (block.counts[j].Sign() > 0) usable_[static_cast<std::size_t>(block.transitions[j])] = 1;
  }
  return true;
}

// Counts s >= 0 with (C.s)_q >= 0 on the piece's rows; `gains` are C.s there.
bool Pieces::ReadCounts(Block& block, std::span<const double> counts) {
  return ReadWhole(counts, block.counts, [&] {
    for (std::size_t i = 0; i < block.rows.size(); ++i) {
      Integer gain(0);
      for (const Entry& e : Row(block.rows[i])) {
        const int32_t j = Find(block.transitions, e.node);
        if (j >= 0) gain += Integer(e.weight) * block.counts[static_cast<std::size_t>(j)];
      }
      if (gain.Sign() < 0) return false;
      block.gains[i] = std::move(gain);
    }
    return true;
  });
}

// Weights z >= 0 of the rows with z.C_t <= 0 for every transition of the
// piece and < 0 for every exit that does not fire, weighing every row that
// does not gain: with the counts, the piece's whole answer.
bool Pieces::ReadWeights(Block& block, std::span<const double> weights, const std::vector<int32_t>& exits) {
  return ReadWhole(weights, block.weights, [&] {
    for (std::size_t i = 0; i < block.rows.size(); ++i) {
      if (block.gains[i].Sign() <= 0 && block.weights[i].Sign() <= 0) return false;
    }
    for (std::size_t j = 0; j < block.transitions.size(); ++j) {
      const int32_t t = block.transitions[j];
      Integer sum(0);
      for (const Entry& e : Column(t)) {
        const int32_t i = Find(block.rows, e.node);
        if (i >= 0) sum += Integer(e.weight) * block.weights[static_cast<std::size_t>(i)];
      }
      const bool fires = block.counts[j].Sign() > 0;
      if (sum.Sign() > 0 || (sum.Sign() == 0 && !fires && std::binary_search(exits.begin(), exits.end(), t))) {
        return false;
      }
    }
    return true;
  });
}

// The least k for which place q, weighed k times `unit`, pays for every
// excluded transition that it was left to: their sums over the places
// weighed so far (those downstream) then stay at most 0.
Integer Pieces::Pays(int32_t q, const Integer& unit) const {
  Integer least(0);
  for (int32_t t : pending_[static_cast<std::size_t>(q)]) {
    const Integer residual = Residual(t);
    if (residual.Sign() <= 0) continue;
    int64_t taken = 0;
    for (const Entry& e : Column(t)) {
      if (e.node == q) taken = -e.weight;
    }
    Raise(least, CeilDivide(residual, unit * Integer(taken)));
  }
  return least;
}

// A place that gains through its producer upstream: that producer fires
// enough for what the counts so far take from the place, and one more.
void Pieces::Demand(int32_t place) {
  const Integer need = Integer(1) - Change(place);
  if (need.Sign() <= 0) return;
  const int32_t t = source_[static_cast<std::size_t>(place)];
  for (const Entry& e : Row(place)) {
    if (e.node == t) Raise(demand_[static_cast<std::size_t>(t)], CeilDivide(need, Integer(e.weight)));
  }
}

void Pieces::RayOfBlock(const Block& block) {
  Integer scale(0);
  for (std::size_t i = 0; i < block.rows.size(); ++i) {
    if (block.gains[i].Sign() <= 0) continue;
    // What the counts downstream take, and one more.
    Raise(scale, CeilDivide(Integer(1) - Change(block.rows[i]), block.gains[i]));
  }
  for (std::size_t j = 0; j < block.transitions.size(); ++j) {
    const Integer& demand = demand_[static_cast<std::size_t>(block.transitions[j])];
    // Only a transition that fires is asked for (a place's source).
    if (demand.Sign() > 0 && block.counts[j].Sign() > 0) Raise(scale, CeilDivide(demand, block.counts[j]));
  }
  if (scale.Sign() > 0) {
    for (std::size_t j = 0; j < block.transitions.size(); ++j) {
      ray_[static_cast<std::size_t>(block.transitions[j])] = scale * block.counts[j];
    }
  }
  for (int32_t v : block.nodes) {
    if (IsPlace(v) && gained_[static_cast<std::size_t>(v)] && source_[static_cast<std::size_t>(v)] >= 0) Demand(v);
  }
}

void Pieces::WeightingOfBlock(const Block& block) {
  Integer scale(1);
  for (int32_t t : block.transitions) {
    const Integer outside = Residual(t);  // the places downstream, weighed already
    if (outside.Sign() <= 0) continue;
    Integer inside(0);
    for (const Entry& e : Column(t)) {
      const int32_t i = Find(block.rows, e.node);
      if (i >= 0) inside += Integer(e.weight) * block.weights[static_cast<std::size_t>(i)];
    }
    if (inside.Sign() < 0) Raise(scale, CeilDivide(outside, Integer(0) - inside));
  }
  for (std::size_t i = 0; i < block.rows.size(); ++i) {
    const int32_t q = block.rows[i];
    if (block.weights[i].Sign() <= 0) continue;
    Raise(scale, Pays(q, block.weights[i]));
  }
  for (std::size_t i = 0; i < block.rows.size(); ++i) {
    weight_[static_cast<std::size_t>(block.rows[i])] = scale * block.weights[i];
  }
}

PieceCertificates Pieces::Certificates() {
  ray_.assign(static_cast<std::size_t>(n_), Integer(0));
  demand_.assign(static_cast<std::size_t>(n_), Integer(0));
  weight_.assign(static_cast<std::size_t>(m_), Integer(0));
  for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
    if (block->nodes.size() > 1) {
      RayOfBlock(*block);
      WeightingOfBlock(*block);
      continue;
    }
    const int32_t v = block->nodes[0];
    if (!IsPlace(v)) {
      ray_[static_cast<std::size_t>(v - m_)] = demand_[static_cast<std::size_t>(v - m_)];
    } else if (gained_[static_cast<std::size_t>(v)]) {
      Demand(v);
    } else {
      Integer weight(1);
      Raise(weight, Pays(v, Integer(1)));
      weight_[static_cast<std::size_t>(v)] = weight;
    }
  }
  PieceCertificates answer;
  for (int32_t t = 0; t < n_; ++t) {
    if (ray_[static_cast<std::size_t>(t)].Sign() <= 0) continue;
    answer.ray.nodes.push_back(transitions_[static_cast<std::size_t>(t)]);
    answer.ray.values.push_back(ray_[static_cast<std::size_t>(t)]);
  }
  for (int32_t q = 0; q < m_; ++q) {
    if (weight_[static_cast<std::size_t>(q)].Sign() <= 0) continue;
    answer.weighting.nodes.push_back(places_[static_cast<std::size_t>(q)]);
    answer.weighting.values.push_back(weight_[static_cast<std::size_t>(q)]);
  }
  return answer;
}

}  // namespace

std::optional<PieceCertificates> CertifyByPieces(const TokenNet& net, std::span<const int32_t> places,
                                                 std::size_t& work, std::size_t budget) {
  Pieces pieces(net, places, work, budget);
  if (!pieces.Classify()) return std::nullopt;
  return pieces.Certificates();
}

}  // namespace vantira
