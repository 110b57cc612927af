// The result of the decomposition: the subnet of every transition, and for
// every place the subnet it is an input (SX), internal (SQ) or output (SY)
// place of, 0 for none. Subnets are numbered 1..iSubNet.
#pragma once

#include <cstdint>

#include "base/c_array.h"

namespace vantira {

struct SubnetMap {
  CArray<int32_t> SubNet;  // 1..n
  CArray<int32_t> SX;      // 1..m
  CArray<int32_t> SQ;
  CArray<int32_t> SY;
  int32_t iSubNet = 0;
};

// Every entry 0, and one subnet: a net without transitions has one, empty.
inline void AllocateSubnetMap(SubnetMap& map, int32_t n, int32_t m) {
  map.SubNet.Allocate(static_cast<std::size_t>(n) + 1);
  map.SX.Allocate(static_cast<std::size_t>(m) + 1);
  map.SQ.Allocate(static_cast<std::size_t>(m) + 1);
  map.SY.Allocate(static_cast<std::size_t>(m) + 1);
  map.iSubNet = 1;
}

}  // namespace vantira
