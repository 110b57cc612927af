#include "store/arc_classes.h"

#include <cstring>
#include <utility>

namespace vantira {

// Entries are set only as far as the arcs reach: the blocks beneath grow
// ahead by themselves, and room that is never written costs no memory.
void ArcClasses::CoverPlace(int32_t p) {
  const auto size = static_cast<std::size_t>(p) + 1;
  for (CArray<int32_t>* first : {&consumer_, &producer_}) {
    first->ResizeScattered(size);
    std::memset(first->Data() + places_, 0, sizeof(int32_t) * (size - static_cast<std::size_t>(places_)));
  }
  places_ = p + 1;
}

void ArcClasses::CoverTransition(int32_t t) {
  parent_.ResizeScattered(static_cast<std::size_t>(t) + 1);
  for (int32_t i = transitions_; i <= t; ++i) parent_[static_cast<std::size_t>(i)] = -1;
  transitions_ = t + 1;
}

void ArcClasses::Drain() {
  std::size_t joins = 0;
  for (std::size_t k = 0; k < waiting_; ++k) {
    if (k + kAhead < waiting_) {
      const int32_t ahead = batch_[k + kAhead][0];
      PrefetchLine(ahead < 0 ? &producer_[static_cast<std::size_t>(-ahead)] : &consumer_[static_cast<std::size_t>(ahead)]);
    }
    const auto [place, t] = batch_[k];
    int32_t& seen = place < 0 ? producer_[static_cast<std::size_t>(-place)] : consumer_[static_cast<std::size_t>(place)];
    if (seen == 0) {
      seen = t;
    } else {
      batch_[joins++] = {seen, t};  // joins <= k: that arc was read already
    }
  }
  for (std::size_t k = 0; k < joins; ++k) {
    if (k + kAhead < joins) PrefetchLine(&parent_[static_cast<std::size_t>(batch_[k + kAhead][0])]);
    Union(batch_[k][0], batch_[k][1]);
  }
  waiting_ = 0;
}

// A root is an entry below zero, or (once Number has begun) one that points
// at itself.
int32_t ArcClasses::Find(int32_t t) {
  for (;;) {
    const int32_t up = parent_[static_cast<std::size_t>(t)];
    if (up < 0 || up == t) return t;
    const int32_t above = parent_[static_cast<std::size_t>(up)];
    if (above < 0 || above == up) return up;
    parent_[static_cast<std::size_t>(t)] = above;  // path halving
    t = above;
  }
}

void ArcClasses::Union(int32_t a, int32_t b) {
  a = Find(a);
  b = Find(b);
  if (a == b) return;
  int32_t& rank_a = parent_[static_cast<std::size_t>(a)];
  int32_t& rank_b = parent_[static_cast<std::size_t>(b)];
  if (rank_a < rank_b) {  // a's rank is the higher: b goes under a
    rank_b = a;
    return;
  }
  if (rank_a == rank_b) --rank_b;
  rank_a = b;
}

int32_t ArcClasses::Number(int32_t n, int32_t m) {
  Drain();
  if (n + 1 > transitions_) CoverTransition(n);
  if (m + 1 > places_) CoverPlace(m);
  // Every transition is pointed at its root (a root at itself). Then, in
  // increasing transition order, each gets its class's number, kept negated
  // so that a processed entry (a number) tells itself apart from an
  // unprocessed one (a root's index): a root whose class was numbered at an
  // earlier member's turn holds that number already.
  for (int32_t t = 1; t <= n; ++t) parent_[static_cast<std::size_t>(t)] = Find(t);
  int32_t count = 0;
  for (int32_t t = 1; t <= n; ++t) {
    int32_t& entry = parent_[static_cast<std::size_t>(t)];
    if (entry < 0) continue;  // a root numbered at an earlier member's turn
    int32_t& at_root = parent_[static_cast<std::size_t>(entry)];
    if (at_root > 0) at_root = -++count;  // the class's lowest transition: a new number
    entry = at_root;
  }
  for (int32_t t = 1; t <= n; ++t) parent_[static_cast<std::size_t>(t)] = -parent_[static_cast<std::size_t>(t)];
  return count;
}

}  // namespace vantira
