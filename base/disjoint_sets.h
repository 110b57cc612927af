// Disjoint sets of the numbers 0..Size()-1, for every place that joins
// things into classes: union by rank and path halving, so that any sequence
// of operations costs almost linear time. A root's entry holds -1 - its
// rank, any other entry its parent. The table is read at random: it grows
// as ResizeScattered does (c_array.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/c_array.h"

namespace vantira {

class DisjointSets {
 public:
  DisjointSets() = default;
  explicit DisjointSets(std::size_t size) { Grow(size); }

  // Adds singletons up to `size` elements; the sets made so far stay.
  void Grow(std::size_t size) {
    if (size <= size_) return;
    parent_.ResizeScattered(size);
    for (std::size_t v = size_; v < size; ++v) parent_[v] = -1;
    size_ = size;
  }
  std::size_t Size() const { return size_; }

  // A root is an entry below zero, or (while Number runs) one that points
  // at itself.
  int32_t Find(int32_t v) {
    for (;;) {
      const int32_t up = parent_[static_cast<std::size_t>(v)];
      if (up < 0 || up == v) return v;
      const int32_t above = parent_[static_cast<std::size_t>(up)];
      if (above < 0 || above == up) return up;
      parent_[static_cast<std::size_t>(v)] = above;  // path halving
      v = above;
    }
  }

  // Joins the sets of a and b; false when they were one already.
  bool Union(int32_t a, int32_t b) {
    a = Find(a);
    b = Find(b);
    if (a == b) return false;
    int32_t& rank_a = parent_[static_cast<std::size_t>(a)];
    int32_t& rank_b = parent_[static_cast<std::size_t>(b)];
    if (rank_a < rank_b) {  // a's rank is the higher: b goes under a
      rank_b = a;
      return true;
    }
    if (rank_a == rank_b) --rank_b;
    rank_a = b;
    return true;
  }

  // Where v's entry lies, for a prefetch ahead of Find(v).
  const int32_t* Entry(int32_t v) const { return &parent_[static_cast<std::size_t>(v)]; }

  // Numbers the sets 1, 2, ... in the order of their least members from
  // `first` on (members below it are left out), and gives the table of the
  // numbers, by element; the sets are gone. Returns the count of sets.
  int32_t Number(int32_t first, CArray<int32_t>& numbers) {
    const auto size = static_cast<int32_t>(size_);
    // Every element is pointed at its root (a root at itself). Then, in
    // increasing order, each gets its set's number, kept negated so that a
    // processed entry (a number) tells itself apart from an unprocessed one
    // (a root's index): a root whose set was numbered at an earlier member's
    // turn holds that number already.
    for (int32_t v = first; v < size; ++v) parent_[static_cast<std::size_t>(v)] = Find(v);
    int32_t count = 0;
    for (int32_t v = first; v < size; ++v) {
      int32_t& entry = parent_[static_cast<std::size_t>(v)];
      if (entry < 0) continue;  // a root numbered at an earlier member's turn
      int32_t& at_root = parent_[static_cast<std::size_t>(entry)];
      if (at_root >= 0) at_root = -++count;  // the set's least member: a new number
      entry = at_root;
    }
    for (int32_t v = first; v < size; ++v) parent_[static_cast<std::size_t>(v)] = -parent_[static_cast<std::size_t>(v)];
    numbers = std::move(parent_);
    size_ = 0;
    return count;
  }

 private:
  CArray<int32_t> parent_;
  std::size_t size_ = 0;
};

}  // namespace vantira
