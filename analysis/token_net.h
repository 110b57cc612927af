// The net as tokens move in it: the arcs of NetValues with repeats merged,
// indexed both ways, and the incidence C by transition and by place. Test,
// inhibitor and stopwatch arcs are not in NetValues and so not here: the
// classes and bounds look only at arcs that move tokens.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

// One end of an arc seen from the other: the node and the arc's weight.
struct Weighted {
  int32_t node;
  int64_t weight;
};

class TokenNet {
 public:
  // The store's places 1..m and transitions 1..n. Arcs that repeat a (place,
  // transition, direction) add up (NetValues already applied the format's
  // rule); a sum past 2^63 - 1 throws a Failure with status 2.
  TokenNet(const NetStore& store, const NetValues& values);

  int32_t Places() const { return m_; }
  int32_t Transitions() const { return n_; }
  int64_t Marking(int32_t p) const { return marking_[static_cast<std::size_t>(p)]; }

  // Adjacency by weight, each list in node order: t's input and output
  // places, p's producers and consumers.
  std::span<const Weighted> Inputs(int32_t t) const { return Range(t_in_, t, t_start_); }
  std::span<const Weighted> Outputs(int32_t t) const { return Range(t_out_, t, t_out_start_); }
  std::span<const Weighted> Producers(int32_t p) const { return Range(p_in_, p, p_start_); }
  std::span<const Weighted> Consumers(int32_t p) const { return Range(p_out_, p, p_out_start_); }

  // The nonzero entries of C: column t (places and C[p][t]) and row p
  // (transitions and C[p][t]), each in node order.
  std::span<const Weighted> Column(int32_t t) const { return Range(column_, t, column_start_); }
  std::span<const Weighted> Row(int32_t p) const { return Range(row_, p, row_start_); }

 private:
  static std::span<const Weighted> Range(const std::vector<Weighted>& v, int32_t i, const std::vector<int64_t>& s) {
    const auto k = static_cast<std::size_t>(i);
    return {v.data() + s[k], v.data() + s[k + 1]};
  }

  int32_t m_;
  int32_t n_;
  std::vector<int64_t> marking_;
  std::vector<Weighted> t_in_, t_out_, p_in_, p_out_, column_, row_;
  std::vector<int64_t> t_start_, t_out_start_, p_start_, p_out_start_, column_start_, row_start_;
};

}  // namespace vantira
