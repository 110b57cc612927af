// The result of the decomposition: the subnet of every transition, and for
// every place the subnet it is an input (SX), internal (SQ) or output (SY)
// place of, 0 for none. Subnets are numbered 1..iSubNet.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/c_array.h"

namespace vantira {

struct SubnetMap {
  CArray<int32_t> SubNet;  // 1..n
  CArray<int32_t> SX;      // 1..m
  CArray<int32_t> SQ;
  CArray<int32_t> SY;
  int32_t iSubNet = 0;

  // The reports that list the subnets need what the roles alone do not
  // keep; Decompose fills these, the digest's partition leaves them empty.
  // Subnet k's transitions, in the order they joined it, are
  // joined[joined_from[k]] .. joined[joined_from[k + 1] - 1]; its input,
  // internal and output places, each in increasing place number, lie alike
  // in xs, qs and ys.
  std::vector<int32_t> joined, xs, qs, ys;
  std::vector<int32_t> joined_from, xs_from, qs_from, ys_from;

  std::span<const int32_t> Members(int32_t k) const { return Part(joined, joined_from, k); }
  std::span<const int32_t> Inputs(int32_t k) const { return Part(xs, xs_from, k); }
  std::span<const int32_t> Internals(int32_t k) const { return Part(qs, qs_from, k); }
  std::span<const int32_t> Outputs(int32_t k) const { return Part(ys, ys_from, k); }

 private:
  static std::span<const int32_t> Part(const std::vector<int32_t>& items, const std::vector<int32_t>& from, int32_t k) {
    const auto begin = static_cast<std::size_t>(from[static_cast<std::size_t>(k)]);
    return std::span<const int32_t>(items).subspan(
        begin, static_cast<std::size_t>(from[static_cast<std::size_t>(k) + 1]) - begin);
  }
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
