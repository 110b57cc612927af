// The classes of transitions that share an input place or an output place,
// joined arc by arc as a reader finds them. A digest report needs nothing
// else of the arcs, so a run that lists neither the net nor the subnets
// keeps these instead of the arc lists: a few bytes per element in place of
// eight per arc, and no second pass over the arcs.
#pragma once

#include <array>
#include <cstdint>

#include "base/c_array.h"
#include "base/disjoint_sets.h"
#include "base/prefetch.h"

namespace vantira {

class ArcClasses {
 public:
  // Arc from place p to transition t: t joins the other consumers of p.
  void JoinConsumer(int32_t p, int32_t t) { Push(p, t, false); }
  // Arc from transition t to place p: t joins the other producers of p.
  void JoinProducer(int32_t p, int32_t t) { Push(p, t, true); }

  // Numbers the classes 1, 2, ... in the order of their lowest transitions
  // and returns the count. Afterwards TakeSubnets() gives every transition's
  // number, TakeConsumers()/TakeProducers() every place's first consumer and
  // first producer (0 for none), each covering transitions 1..n, places 1..m.
  int32_t Number(int32_t n, int32_t m);
  CArray<int32_t> TakeSubnets() { return std::move(subnets_); }
  CArray<int32_t> TakeConsumers() { return std::move(consumer_); }
  CArray<int32_t> TakeProducers() { return std::move(producer_); }

 private:
  // Places and classes are met in no order, and every join is a few cache
  // misses. Arcs wait in a small batch, which is then joined in two tight
  // loops that fetch ahead: one finds each place's first transition, the
  // other joins the classes. Misses that overlap cost little; misses spread
  // among the reader's own work each cost in full. Joins commute, and the
  // batch keeps the arcs' order, so the waiting changes nothing.
  static constexpr std::size_t kBatch = 2048;
  static constexpr std::size_t kAhead = 16;

  void Push(int32_t p, int32_t t, bool producer) {
    if (p >= places_) CoverPlace(p);
    if (t >= transitions_) CoverTransition(t);
    batch_[waiting_++] = {producer ? -p : p, t};
    if (waiting_ == kBatch) Drain();
  }
  // Joins the waiting arcs.
  void Drain();

  void CoverPlace(int32_t p);
  void CoverTransition(int32_t t);

  DisjointSets classes_;  // of transitions 0..transitions_-1
  int32_t transitions_ = 0;
  CArray<int32_t> subnets_;
  CArray<int32_t> consumer_;
  CArray<int32_t> producer_;
  int32_t places_ = 0;

  // Waiting arcs: a place (negated for a producer's arc) and a transition,
  // then, once looked at, the two transitions to join.
  std::array<std::array<int32_t, 2>, kBatch> batch_{};
  std::size_t waiting_ = 0;
};

}  // namespace vantira
