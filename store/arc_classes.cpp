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
  classes_.Grow(static_cast<std::size_t>(t) + 1);
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
    if (k + kAhead < joins) PrefetchLine(classes_.Entry(batch_[k + kAhead][0]));
    classes_.Union(batch_[k][0], batch_[k][1]);
  }
  waiting_ = 0;
}

int32_t ArcClasses::Number(int32_t n, int32_t m) {
  Drain();
  if (n + 1 > transitions_) CoverTransition(n);
  if (m + 1 > places_) CoverPlace(m);
  return classes_.Number(1, subnets_);
}

}  // namespace vantira
