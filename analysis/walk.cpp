#include "analysis/walk.h"

#include <algorithm>
#include <span>

namespace vantira {

namespace {

constexpr int64_t kMostTokens = int64_t{1} << 62;

// splitmix64: small, fast, and the same sequence everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in 0..bound-1 (bound > 0), without the modulo's bias.
  uint64_t Below(uint64_t bound) {
    const uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
    uint64_t r;
    do r = Next();
    while (r >= limit);
    return r % bound;
  }

 private:
  uint64_t state_;
};

// The marking and the enabled transitions, kept up to date firing by firing.
class Walker {
 public:
  Walker(const TokenNet& net, const std::vector<std::vector<int32_t>>& sets)
      : net_(net),
        sets_(sets),
        marking_(static_cast<std::size_t>(net.Places()) + 1),
        missing_(static_cast<std::size_t>(net.Transitions()) + 1),
        slot_(static_cast<std::size_t>(net.Transitions()) + 1, -1),
        sets_of_(static_cast<std::size_t>(net.Places()) + 1),
        sum_(sets.size()) {
    for (std::size_t s = 0; s < sets.size(); ++s) {
      for (int32_t p : sets[s]) sets_of_[static_cast<std::size_t>(p)].push_back(static_cast<int32_t>(s));
    }
    // Each place's consumers by weight (then by node): a change of its
    // tokens crosses the thresholds of one run of them.
    start_.assign(static_cast<std::size_t>(net.Places()) + 2, 0);
    for (int32_t p = 1; p <= net.Places(); ++p) {
      start_[static_cast<std::size_t>(p) + 1] = start_[static_cast<std::size_t>(p)] + net.Consumers(p).size();
      by_weight_.insert(by_weight_.end(), net.Consumers(p).begin(), net.Consumers(p).end());
      std::sort(by_weight_.begin() + static_cast<std::ptrdiff_t>(start_[static_cast<std::size_t>(p)]), by_weight_.end(),
                [](const Weighted& a, const Weighted& b) { return a.weight != b.weight ? a.weight < b.weight : a.node < b.node; });
    }
    for (int32_t p = 1; p <= net.Places(); ++p) marking_[static_cast<std::size_t>(p)] = net.Marking(p);
    for (int32_t t = 1; t <= net.Transitions(); ++t) {
      int32_t missing = 0;
      for (const Weighted& in : net.Inputs(t)) missing += marking_[static_cast<std::size_t>(in.node)] < in.weight;
      missing_[static_cast<std::size_t>(t)] = missing;
      if (missing == 0) Enable(t);
    }
    first_missing_ = missing_;
    first_slot_ = slot_;
    first_enabled_ = enabled_;
  }

  void Reset(WalkResult& result) {
    for (int32_t p = 1; p <= net_.Places(); ++p) marking_[static_cast<std::size_t>(p)] = net_.Marking(p);
    missing_ = first_missing_;
    slot_ = first_slot_;
    enabled_ = first_enabled_;
    for (std::size_t s = 0; s < sets_.size(); ++s) {
      sum_[s] = 0;
      for (int32_t p : sets_[s]) sum_[s] += marking_[static_cast<std::size_t>(p)];
      result.set_most[s] = std::max(result.set_most[s], sum_[s]);
    }
  }

  bool Dead() const { return enabled_.empty(); }
  std::size_t Enabled() const { return enabled_.size(); }
  int32_t EnabledAt(std::size_t i) const { return enabled_[i]; }

  // Fires t when its outputs stay within kMostTokens; false otherwise.
  bool Fire(int32_t t, WalkResult& result) {
    for (const Weighted& out : net_.Outputs(t)) {
      int64_t after = marking_[static_cast<std::size_t>(out.node)];
      for (const Weighted& in : net_.Inputs(t)) {
        if (in.node == out.node) after -= in.weight;
      }
      if (after > kMostTokens - out.weight) return false;
    }
    for (const Weighted& in : net_.Inputs(t)) Change(in.node, -in.weight, result);
    for (const Weighted& out : net_.Outputs(t)) Change(out.node, out.weight, result);
    return true;
  }

 private:
  void Enable(int32_t t) {
    slot_[static_cast<std::size_t>(t)] = static_cast<int32_t>(enabled_.size());
    enabled_.push_back(t);
  }
  void Disable(int32_t t) {
    const int32_t slot = slot_[static_cast<std::size_t>(t)];
    const int32_t last = enabled_.back();
    enabled_[static_cast<std::size_t>(slot)] = last;
    slot_[static_cast<std::size_t>(last)] = slot;
    enabled_.pop_back();
    slot_[static_cast<std::size_t>(t)] = -1;
  }

  void Change(int32_t p, int64_t delta, WalkResult& result) {
    int64_t& tokens = marking_[static_cast<std::size_t>(p)];
    const int64_t before = tokens;
    tokens += delta;
    int64_t& most = result.most[static_cast<std::size_t>(p)];
    most = std::max(most, tokens);
    for (int32_t s : sets_of_[static_cast<std::size_t>(p)]) {
      sum_[static_cast<std::size_t>(s)] += delta;
      result.set_most[static_cast<std::size_t>(s)] =
          std::max(result.set_most[static_cast<std::size_t>(s)], sum_[static_cast<std::size_t>(s)]);
    }
    // The consumers whose weight lies between the old and the new count,
    // taken in node order as a scan of all of them would.
    const auto first = by_weight_.begin() + static_cast<std::ptrdiff_t>(start_[static_cast<std::size_t>(p)]);
    const auto last = by_weight_.begin() + static_cast<std::ptrdiff_t>(start_[static_cast<std::size_t>(p) + 1]);
    const int64_t low = std::min(before, tokens), high = std::max(before, tokens);
    const auto above = [](int64_t v, const Weighted& arc) { return v < arc.weight; };
    const auto from = std::upper_bound(first, last, low, above);
    const auto to = std::upper_bound(from, last, high, above);
    if (from == to) return;
    std::span<const Weighted> crossed(&*from, static_cast<std::size_t>(to - from));
    if (from->weight != (to - 1)->weight) {
      crossed_.assign(from, to);
      std::sort(crossed_.begin(), crossed_.end(), [](const Weighted& a, const Weighted& b) { return a.node < b.node; });
      crossed = crossed_;
    }
    if (tokens > before) {
      for (const Weighted& arc : crossed) {
        if (--missing_[static_cast<std::size_t>(arc.node)] == 0) Enable(arc.node);
      }
    } else {
      for (const Weighted& arc : crossed) {
        if (missing_[static_cast<std::size_t>(arc.node)]++ == 0) Disable(arc.node);
      }
    }
  }

  const TokenNet& net_;
  const std::vector<std::vector<int32_t>>& sets_;
  std::vector<int64_t> marking_;
  std::vector<int32_t> missing_;  // input places short of tokens, per transition
  std::vector<int32_t> slot_;     // a transition's place in enabled_, -1 for none
  std::vector<int32_t> enabled_;
  std::vector<std::vector<int32_t>> sets_of_;
  std::vector<TokenSum> sum_;
  std::vector<Weighted> by_weight_;  // each place's consumers by weight
  std::vector<std::size_t> start_;   // of a place's run in by_weight_
  std::vector<Weighted> crossed_;    // scratch of Change
  // The state at M0, which every walk starts from.
  std::vector<int32_t> first_missing_, first_slot_, first_enabled_;
};

}  // namespace

WalkResult RandomWalk(const TokenNet& net, const std::vector<std::vector<int32_t>>& sets, const WalkRule& rule) {
  WalkResult result;
  result.most.assign(static_cast<std::size_t>(net.Places()) + 1, 0);
  for (int32_t p = 1; p <= net.Places(); ++p) result.most[static_cast<std::size_t>(p)] = net.Marking(p);
  result.set_most.assign(sets.size(), 0);
  Walker walker(net, sets);
  Random random(rule.seed);
  for (int32_t w = 0; w < rule.walks; ++w) {
    walker.Reset(result);
    int32_t step = 0;
    for (; step < rule.length && !walker.Dead(); ++step) {
      const int32_t t = walker.EnabledAt(static_cast<std::size_t>(random.Below(walker.Enabled())));
      if (!walker.Fire(t, result)) break;
    }
    // M0 dead: every later walk would see it alone too.
    if (step == 0) break;
  }
  return result;
}

}  // namespace vantira
