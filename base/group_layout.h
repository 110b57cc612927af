// Groups of items laid out one after another in one array, by a key in
// 0..keys-1, as every sparse table here is built: count each item's key,
// close, then place the items in the same order, which keeps their order
// within a key (a stable counting sort). The items of key k then lie at
// [Starts()[k], Starts()[k + 1]).
#pragma once

#include <cstddef>
#include <numeric>
#include <vector>

namespace vantira {

template <class Offset>
class GroupLayout {
 public:
  explicit GroupLayout(std::size_t keys) : start_(keys + 1, 0) {}

  void Count(std::size_t key, Offset items = 1) { start_[key + 1] += items; }

  // Ends the counting; returns the number of items.
  Offset Close() {
    std::partial_sum(start_.begin(), start_.end(), start_.begin());
    next_.assign(start_.begin(), start_.end() - 1);
    return start_.back();
  }

  // Where the next item of `key` goes.
  Offset Place(std::size_t key) { return next_[key]++; }

  const std::vector<Offset>& Starts() const { return start_; }
  std::vector<Offset> TakeStarts() {
    next_.clear();
    return std::move(start_);
  }

 private:
  std::vector<Offset> start_;
  std::vector<Offset> next_;
};

// `items` sorted by `key_of(item)`, a key in 0..keys-1, stably; returns the
// starts of the keys (keys + 1 of them).
template <class Offset, class Item, class KeyOf>
std::vector<Offset> SortByKey(std::vector<Item>& items, std::size_t keys, KeyOf key_of) {
  GroupLayout<Offset> layout(keys);
  for (const Item& item : items) layout.Count(static_cast<std::size_t>(key_of(item)));
  layout.Close();
  std::vector<Item> sorted(items.size());
  for (const Item& item : items) sorted[static_cast<std::size_t>(layout.Place(static_cast<std::size_t>(key_of(item))))] = item;
  items.swap(sorted);
  return layout.TakeStarts();
}

}  // namespace vantira
