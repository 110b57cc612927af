// Markings actually reached: a bounded random walk of firings from M0, the
// same for the same seed. Its most tokens per place (and per set of places)
// are lower bounds of what the net can hold.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/token_net.h"

namespace vantira {

// Sums of token counts: up to 2^31 places of up to 2^62 tokens each.
__extension__ typedef __int128 TokenSum;

struct WalkRule {
  uint64_t seed = 1;
  int32_t walks = 64;     // each from M0
  int32_t length = 4096;  // firings at most per walk
};

struct WalkResult {
  std::vector<int64_t> most;       // place 1..m (0 unused): the most tokens it held
  std::vector<TokenSum> set_most;  // per set: the largest sum of its places' tokens
};

// `rule.walks` walks from M0, each firing at every step a transition drawn
// uniformly among the enabled ones, until `rule.length` firings or a marking
// where none is enabled. A firing that would put more than 2^62 tokens in a
// place counts as not enabled. `sets` are lists of distinct places.
WalkResult RandomWalk(const TokenNet& net, const std::vector<std::vector<int32_t>>& sets, const WalkRule& rule);

}  // namespace vantira
