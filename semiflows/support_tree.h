// A tree over the supports of a set of rows for the question the
// elimination asks of every pair: does any other row have its support
// within a given union? Each inner node splits its rows on one variable,
// those without it and those with it; a union without that variable needs
// only the first side. Built afresh for an equation with many pairs.
// docs/semiflows.md (the algorithm, Pruning) says when it is built.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vantira {

class SupportTree {
 public:
  using Variables = std::function<std::span<const int32_t>(uint32_t)>;

  // Over the rows `ids`, whose variables (ascending, below `variables`)
  // `vars` gives. False, the tree unfinished, when `late` (asked now and
  // then, may be empty) says that time is up.
  bool Build(std::vector<uint32_t> ids, const Variables& vars, int32_t variables,
             const std::function<bool()>& late = {});
  bool Empty() const { return nodes_.empty(); }

  // Whether a row other than a and b has every variable v with
  // marked[v] == stamp; `within(id)` answers that for one row.
  bool AnyWithin(std::span<const uint32_t> marked, uint32_t stamp, uint32_t a, uint32_t b,
                 const std::function<bool(uint32_t)>& within) const;

 private:
  struct Node {
    int32_t var = -1;  // -1: a leaf, holding ids_[begin, end)
    uint32_t begin = 0, end = 0;
    uint32_t without = 0, with = 0;  // children
  };
  uint32_t Grow(uint32_t begin, uint32_t end, std::size_t depth, const Variables& vars);

  std::vector<uint32_t> ids_;
  std::vector<int32_t> order_;  // variables to split on, the most even splits first
  std::vector<Node> nodes_;
  const std::function<bool()>* late_ = nullptr;
  uint32_t splits_ = 0;  // rows partitioned since `late` was last asked
  bool stopped_ = false;
};

}  // namespace vantira
