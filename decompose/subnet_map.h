// The result of the decomposition: the subnet of every transition, and for
// every place the subnet it is an input (SX), internal (SQ) or output (SY)
// place of, 0 for none. Subnets are numbered 1..iSubNet.
#pragma once

#include <cstdint>

#include "store/c_array.h"

namespace vantira {

struct SubnetMap {
  CArray<int32_t> SubNet;  // 1..n
  CArray<int32_t> SX;      // 1..m
  CArray<int32_t> SQ;
  CArray<int32_t> SY;
  int32_t iSubNet = 0;
};

}  // namespace vantira
