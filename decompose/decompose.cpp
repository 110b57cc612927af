#include "decompose/decompose.h"

#include <algorithm>
#include <vector>

#include "decompose/report.h"

namespace vantira {

namespace {

// Growth is incremental: a place can only contribute new transitions in a pass
// if its role for the subnet (none, X, Y, Q) changed since the previous pass,
// and only places touched by the transitions added in the previous pass can
// change. So each pass looks at just those places, in the order a full
// reclassification would visit them: X places, then Y, then Q, each group in
// increasing place number. A place changes role at most twice per subnet,
// which keeps the whole decomposition linear in the arcs.
class Grower {
 public:
  Grower(const NetStore& store, SubnetMap& map)
      : s_(store), map_(map), stamp_(static_cast<std::size_t>(store.m) + 1, 0) {
    members_.reserve(static_cast<std::size_t>(store.n));
  }

  // Grows subnet k from transition `seed` until a pass finds nothing new.
  void Grow(int32_t k, int32_t seed) {
    k_ = k;
    members_.clear();
    places_.clear();
    map_.SubNet[seed] = k;
    members_.push_back(seed);
    std::size_t frontier = 0;
    while (frontier < members_.size()) {
      ++pass_;
      changed_.clear();
      const std::size_t end = members_.size();
      for (std::size_t i = frontier; i < end; ++i) Touch(members_[i]);
      frontier = end;
      for (uint64_t& key : changed_) key |= static_cast<uint64_t>(GroupOf(static_cast<int32_t>(key))) << 32;
      std::sort(changed_.begin(), changed_.end());
      for (uint64_t key : changed_) Collect(static_cast<int32_t>(key & 0xffffffffu), key >> 32);
    }
  }

  // Transitions in the order they joined the subnet.
  const std::vector<int32_t>& Members() const { return members_; }
  // The places the subnet touched, in increasing number.
  const std::vector<int32_t>& SortedPlaces() {
    std::sort(places_.begin(), places_.end());
    return places_;
  }

 private:
  enum Group : uint32_t { kX = 0, kY = 1, kQ = 2 };

  Group GroupOf(int32_t p) const {
    if (map_.SQ[p] == k_) return kQ;
    return map_.SX[p] == k_ ? kX : kY;
  }

  void Touch(int32_t t) {
    for (int32_t j = s_.tx[t]; j < s_.ty[t]; ++j) Consume(s_.at[j]);
    for (int32_t j = s_.ty[t]; j < s_.tx[t + 1]; ++j) Produce(s_.at[j]);
  }

  void Consume(int32_t p) {
    if (map_.SQ[p] == k_ || map_.SX[p] == k_) return;
    if (map_.SY[p] == k_) {
      map_.SY[p] = 0;
      map_.SQ[p] = k_;
    } else {
      map_.SX[p] = k_;
      places_.push_back(p);
    }
    Changed(p);
  }

  void Produce(int32_t p) {
    if (map_.SQ[p] == k_ || map_.SY[p] == k_) return;
    if (map_.SX[p] == k_) {
      map_.SX[p] = 0;
      map_.SQ[p] = k_;
    } else {
      map_.SY[p] = k_;
      places_.push_back(p);
    }
    Changed(p);
  }

  // Records p once per pass; its group is read when the pass's arcs are done.
  void Changed(int32_t p) {
    if (stamp_[p] == pass_) return;
    stamp_[p] = pass_;
    changed_.push_back(static_cast<uint32_t>(p));
  }

  // Candidates of a changed place: consumers of an input place, producers of
  // an output place, producers then consumers of an internal place.
  void Collect(int32_t p, uint64_t group) {
    int32_t from = group == kX ? s_.py[p] : s_.px[p];
    int32_t to = group == kY ? s_.py[p] : s_.px[p + 1];
    for (int32_t j = from; j < to; ++j) {
      int32_t t = s_.ap[j];
      if (map_.SubNet[t] != 0) continue;
      map_.SubNet[t] = k_;
      members_.push_back(t);
    }
  }

  const NetStore& s_;
  SubnetMap& map_;
  int32_t k_ = 0;
  int32_t pass_ = 0;
  std::vector<int32_t> stamp_;
  std::vector<int32_t> members_;
  std::vector<int32_t> places_;
  std::vector<uint64_t> changed_;
};

void AllocateSubnetMap(SubnetMap& map, int32_t n, int32_t m) {
  map.SubNet.Allocate(static_cast<std::size_t>(n) + 1);
  map.SX.Allocate(static_cast<std::size_t>(m) + 1);
  map.SQ.Allocate(static_cast<std::size_t>(m) + 1);
  map.SY.Allocate(static_cast<std::size_t>(m) + 1);
  map.iSubNet = 1;
}

}  // namespace

void Decompose(const NetStore& store, SubnetMap& map, Output& report, bool full) {
  AllocateSubnetMap(map, store.n, store.m);
  if (full) WriteSubnetsHeading(report);
  if (store.n == 0) {
    // A net without transitions still has one, empty, subnet.
    if (full) WriteSubnetListing(store, map, 1, {}, {}, report);
    return;
  }
  Grower grower(store, map);
  int32_t seed = 1;
  for (int32_t k = 1;; ++k) {
    map.iSubNet = k;
    grower.Grow(k, seed);
    if (full) WriteSubnetListing(store, map, k, grower.Members(), grower.SortedPlaces(), report);
    while (seed <= store.n && map.SubNet[seed] != 0) ++seed;
    if (seed > store.n) return;
  }
}

}  // namespace vantira
