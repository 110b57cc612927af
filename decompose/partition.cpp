#include "decompose/partition.h"

#include <utility>

namespace vantira {

void PartitionArcs(NetStore& s, ArcStore arcs, SubnetMap& map) {
  ArcClasses lists;
  ArcClasses& classes = arcs == ArcStore::kClasses ? s.classes : lists;
  if (arcs == ArcStore::kLists) {
    for (int32_t k = 0; k < s.fapt; ++k) lists.JoinConsumer(s.aptp[k], s.aptt[k]);
    for (int32_t k = 0; k < s.fatp; ++k) lists.JoinProducer(s.atpp[k], s.atpt[k]);
  }
  const int32_t count = classes.Number(s.n, s.m);
  map.SubNet = classes.TakeSubnets();
  map.iSubNet = s.n == 0 ? 1 : count;  // a net without transitions has one, empty, subnet
  // The first consumer and producer of each place become its roles, in place.
  map.SX = classes.TakeConsumers();
  map.SY = classes.TakeProducers();
  map.SQ.Allocate(static_cast<std::size_t>(s.m) + 1);
  for (int32_t p = 1; p <= s.m; ++p) {
    const int32_t consumers = map.SX[p] != 0 ? map.SubNet[map.SX[p]] : 0;
    const int32_t producers = map.SY[p] != 0 ? map.SubNet[map.SY[p]] : 0;
    if (consumers != 0 && consumers == producers) {
      map.SQ[p] = consumers;
      map.SX[p] = map.SY[p] = 0;
    } else {
      map.SX[p] = consumers;
      map.SY[p] = producers;
    }
  }
}

}  // namespace vantira
