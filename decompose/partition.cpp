#include "decompose/partition.h"

#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

#include "store/prefetch.h"

namespace vantira {

namespace {

// Union-find over transitions, by rank and with path halving, so that a run
// of joins and finds costs all but linear time however the arcs come.
class Classes {
 public:
  explicit Classes(int32_t n) : parent_(static_cast<std::size_t>(n) + 1), rank_(static_cast<std::size_t>(n) + 1, 0) {
    std::iota(parent_.begin(), parent_.end(), 0);
  }

  int32_t Find(int32_t t) {
    while (parent_[t] != t) {
      parent_[t] = parent_[parent_[t]];  // path halving
      t = parent_[t];
    }
    return t;
  }

  void Join(int32_t a, int32_t b) {
    a = Find(a);
    b = Find(b);
    if (a == b) return;
    if (rank_[a] > rank_[b]) std::swap(a, b);
    parent_[a] = b;
    if (rank_[a] == rank_[b]) ++rank_[b];
  }

 private:
  std::vector<int32_t> parent_;
  std::vector<uint8_t> rank_;  // at most log2 of the transitions
};

// Joins the transitions on one side of each place (all consumers, or all
// producers) into one class; `first[p]` keeps the first one met.
void JoinSides(const CArray<int32_t>& places, const CArray<int32_t>& transitions, int32_t count,
               std::vector<int32_t>& first, Classes& classes) {
  constexpr int32_t kAhead = 16;  // places are met in no order; fetch ahead
  for (int32_t k = 0; k < count; ++k) {
    if (k + kAhead < count) PrefetchLine(&first[places[k + kAhead]]);
    int32_t& seen = first[places[k]];
    if (seen == 0) {
      seen = transitions[k];
    } else {
      classes.Join(seen, transitions[k]);
    }
  }
}

}  // namespace

void PartitionArcs(const NetStore& s, SubnetMap& map) {
  AllocateSubnetMap(map, s.n, s.m);
  if (s.n == 0) return;  // one, empty, subnet
  Classes classes(s.n);
  std::vector<int32_t> consumer(static_cast<std::size_t>(s.m) + 1, 0);
  std::vector<int32_t> producer(static_cast<std::size_t>(s.m) + 1, 0);
  JoinSides(s.aptp, s.aptt, s.fapt, consumer, classes);
  JoinSides(s.atpp, s.atpt, s.fatp, producer, classes);

  // Classes are numbered as their lowest transitions come; the number is kept
  // at the root, whose own turn may come later.
  int32_t k = 0;
  for (int32_t t = 1; t <= s.n; ++t) {
    const int32_t root = classes.Find(t);
    if (map.SubNet[root] == 0) map.SubNet[root] = ++k;
    map.SubNet[t] = map.SubNet[root];
  }
  map.iSubNet = k;

  for (int32_t p = 1; p <= s.m; ++p) {
    const int32_t consumers = consumer[p] != 0 ? map.SubNet[consumer[p]] : 0;
    const int32_t producers = producer[p] != 0 ? map.SubNet[producer[p]] : 0;
    if (consumers != 0 && consumers == producers) {
      map.SQ[p] = consumers;
    } else {
      map.SX[p] = consumers;
      map.SY[p] = producers;
    }
  }
}

}  // namespace vantira
