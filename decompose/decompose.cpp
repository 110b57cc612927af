#include "decompose/decompose.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "base/group_layout.h"
#include "base/prefetch.h"

namespace vantira {

namespace {

// Sorts distinct numbers below 64 * bitmap.size(): many go through the bitmap
// (cost one pass over it, which is left clear), few through std::sort.
void SortDistinct(std::vector<int32_t>& values, std::span<uint64_t> bitmap) {
  if (values.size() <= bitmap.size()) {
    std::sort(values.begin(), values.end());
    return;
  }
  for (int32_t v : values) bitmap[static_cast<std::size_t>(v) / 64] |= uint64_t{1} << (v % 64);
  values.clear();
  for (std::size_t w = 0; w < bitmap.size(); ++w) {
    for (uint64_t word = bitmap[w]; word != 0; word &= word - 1) {
      values.push_back(static_cast<int32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word))));
    }
    bitmap[w] = 0;
  }
}

// Growth is incremental: a place can only contribute new transitions in a pass
// if its role for the subnet (none, X, Y, Q) changed since the previous pass,
// and only places touched by the transitions added in the previous pass can
// change. So each pass looks at just those places, in the order a full
// reclassification would visit them: X places, then Y, then Q, each group in
// increasing place number. A place changes role at most twice per subnet,
// which keeps the whole decomposition linear in the arcs.
//
// What growing looks up at every arc is kept in bitmaps, a bit where a table
// would take an int, so that it stays in the cache for far larger nets:
// whether a transition is placed, and whether the growing subnet consumes and
// produces a place (cleared for the places it touched before the next subnet
// grows). A subnet's share of the roles SX, SQ, SY is written when it is
// complete: a role is final once the subnet of its side is.
class Grower {
 public:
  Grower(const NetStore& store, SubnetMap& map)
      : s_(store),
        map_(map),
        words_(static_cast<std::size_t>(store.m) / 64 + 1),
        consumed_(words_, 0),
        produced_(words_, 0),
        bits_(3 * words_, 0),
        placed_(static_cast<std::size_t>(store.n) / 64 + 1, 0),
        transition_bits_(static_cast<std::size_t>(store.n) / 64 + 1, 0) {
    map_.joined.reserve(static_cast<std::size_t>(store.n));
    places_.reserve(words_ + 1);
  }

  // Grows subnet k from transition `seed` until a pass finds nothing new.
  void Grow(int32_t k, int32_t seed) {
    if (places_.size() > words_) {
      std::fill(consumed_.begin(), consumed_.end(), 0);
      std::fill(produced_.begin(), produced_.end(), 0);
    } else {
      for (int32_t p : places_) {
        Clear(consumed_, p);
        Clear(produced_, p);
      }
    }
    k_ = k;
    first_ = map_.joined.size();
    places_.clear();
    Set(placed_, seed);
    map_.SubNet[seed] = k;
    map_.joined.push_back(seed);
    std::size_t frontier = first_;
    while (frontier < map_.joined.size()) {
      changed_.clear();
      const std::size_t end = map_.joined.size();
      // Which new member is touched first changes nothing (the changed
      // places are ordered afterwards), so they go in transition order,
      // which walks the index forward instead of jumping about in it.
      touching_.assign(map_.joined.begin() + static_cast<std::ptrdiff_t>(frontier), map_.joined.end());
      SortDistinct(touching_, transition_bits_);
      const std::size_t count = touching_.size();
      // A big pass marks its changed places in the group bitmaps as it
      // goes; a small one lists them, to be sorted.
      marking_ = 4 * count > words_;
      for (std::size_t i = 0; i < count; ++i) {
        // Their places lie apart in the index: fetch them ahead.
        if (i + kAhead < count) PrefetchLine(s_.Inputs(touching_[i + kAhead]).data());
        Touch(touching_[i]);
      }
      frontier = end;
      OrderChanged();
      const std::size_t changed = changed_.size();
      for (std::size_t i = 0; i < changed; ++i) {
        if (i + 2 * kAhead < changed) PrefetchRange(changed_[i + 2 * kAhead]);
        if (i + kAhead < changed) PrefetchCandidates(changed_[i + kAhead]);
        Collect(PlaceOf(changed_[i]), changed_[i] >> 32);
      }
    }
  }

  // Writes the subnet's share of SX, SQ and SY for the places it touched:
  // every role is final once its side's subnet is.
  void SetRoles() {
    if (places_.size() > words_) {
      // Many places: the bitmaps have them all.
      for (std::size_t w = 0; w < words_; ++w) {
        const uint64_t consumed = consumed_[w];
        const uint64_t produced = produced_[w];
        SetRoles(w, consumed & ~produced, map_.SX);
        SetRoles(w, consumed & produced, map_.SQ);
        SetRoles(w, produced & ~consumed, map_.SY);
      }
      return;
    }
    for (int32_t p : places_) {
      const Group group = GroupOf(p);
      (group == kX ? map_.SX : group == kQ ? map_.SQ : map_.SY)[p] = k_;
    }
  }

  // The places of word w of a bitmap, each given role k.
  void SetRoles(std::size_t w, uint64_t word, CArray<int32_t>& role) const {
    for (; word != 0; word &= word - 1) {
      const auto p = static_cast<int32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word)));
      role[p] = k_;
    }
  }

 private:
  enum Group : uint32_t { kX = 0, kY = 1, kQ = 2 };
  static constexpr std::size_t kAhead = 6;  // steps between the levels of a prefetched look-up

  static bool Test(const std::vector<uint64_t>& bitmap, int32_t e) {
    return (bitmap[static_cast<std::size_t>(e) / 64] >> (e % 64)) & 1;
  }
  static void Set(std::vector<uint64_t>& bitmap, int32_t e) {
    bitmap[static_cast<std::size_t>(e) / 64] |= uint64_t{1} << (e % 64);
  }
  static void Clear(std::vector<uint64_t>& bitmap, int32_t e) {
    bitmap[static_cast<std::size_t>(e) / 64] &= ~(uint64_t{1} << (e % 64));
  }

  // Puts the pass's changed places in visiting order, each once: X, then Y,
  // then Q, each group in increasing place number. A big pass goes through
  // one bitmap per group (cost m/64 words), a small one is sorted.
  void OrderChanged() {
    if (marking_) {
      ListMarked();
      return;
    }
    for (uint64_t& key : changed_) key |= static_cast<uint64_t>(GroupOf(static_cast<int32_t>(key))) << 32;
    if (changed_.size() <= words_) {
      std::sort(changed_.begin(), changed_.end());
      // A place that changed twice in one pass is listed twice; it counts once.
      changed_.erase(std::unique(changed_.begin(), changed_.end()), changed_.end());
      return;
    }
    for (uint64_t key : changed_) {
      const uint64_t p = key & 0xffffffffu;
      bits_[(key >> 32) * words_ + p / 64] |= uint64_t{1} << (p % 64);
    }
    changed_.clear();
    ListMarked();
  }

  // The places marked in the group bitmaps, in order, leaving them clear.
  void ListMarked() {
    for (std::size_t w = 0; w < bits_.size(); ++w) {
      const uint64_t group = w / words_;
      const uint64_t base = (w % words_) * 64;
      for (uint64_t word = bits_[w]; word != 0; word &= word - 1) {
        changed_.push_back(group << 32 | (base + static_cast<uint64_t>(__builtin_ctzll(word))));
      }
      bits_[w] = 0;
    }
  }

  // The transitions Collect looks at for a changed place (see there). A
  // place's producers and its consumers lie side by side in the index.
  std::span<const int32_t> Candidates(int32_t p, uint64_t group) const {
    const std::span<const int32_t> producers = s_.Producers(p);
    const std::span<const int32_t> consumers = s_.Consumers(p);
    return {group == kX ? consumers.data() : producers.data(),
            group == kY ? producers.data() + producers.size() : consumers.data() + consumers.size()};
  }
  static int32_t PlaceOf(uint64_t key) { return static_cast<int32_t>(key & 0xffffffffu); }
  void PrefetchRange(uint64_t key) const {
    PrefetchLine(&s_.px[PlaceOf(key)]);
    PrefetchLine(&s_.py[PlaceOf(key)]);
  }
  void PrefetchCandidates(uint64_t key) const { PrefetchLine(Candidates(PlaceOf(key), key >> 32).data()); }

  Group GroupOf(int32_t p) const {
    if (Test(consumed_, p)) return Test(produced_, p) ? kQ : kX;
    return kY;
  }

  void Touch(int32_t t) {
    for (int32_t p : s_.Inputs(t)) Consume(p);
    for (int32_t p : s_.Outputs(t)) Produce(p);
  }

  void Consume(int32_t p) {
    if (Test(consumed_, p)) return;
    Set(consumed_, p);
    if (!Test(produced_, p)) {
      Touched(p);
      Changed(p, kX, kX);
    } else {
      Changed(p, kQ, kY);
    }
  }

  void Produce(int32_t p) {
    if (Test(produced_, p)) return;
    Set(produced_, p);
    if (!Test(consumed_, p)) {
      Touched(p);
      Changed(p, kY, kY);
    } else {
      Changed(p, kQ, kX);
    }
  }

  // A place the subnet touches for the first time. Once there are more than
  // a bitmap has words, the bitmaps serve better than the list, which stops.
  void Touched(int32_t p) {
    if (places_.size() <= words_) places_.push_back(p);
  }

  // Place p is now in `group`; a mark it got earlier in the pass in `before`
  // (its other side's group, when it has just become internal) goes.
  void Changed(int32_t p, Group group, Group before) {
    if (!marking_) {
      changed_.push_back(static_cast<uint32_t>(p));
      return;
    }
    const std::size_t w = static_cast<std::size_t>(p) / 64;
    const uint64_t bit = uint64_t{1} << (p % 64);
    bits_[before * words_ + w] &= ~bit;
    bits_[group * words_ + w] |= bit;
  }

  // Candidates of a changed place: consumers of an input place, producers of
  // an output place, producers then consumers of an internal place.
  void Collect(int32_t p, uint64_t group) {
    for (int32_t t : Candidates(p, group)) {
      if (Test(placed_, t)) continue;
      Set(placed_, t);
      map_.SubNet[t] = k_;
      map_.joined.push_back(t);
    }
  }

  const NetStore& s_;
  SubnetMap& map_;
  int32_t k_ = 0;
  std::size_t words_;  // 64-bit words of one place bitmap
  std::vector<uint64_t> consumed_;  // places the growing subnet consumes
  std::vector<uint64_t> produced_;  // and produces
  std::vector<uint64_t> bits_;  // the X, Y and Q bitmaps of OrderChanged, kept clear
  std::vector<uint64_t> placed_;  // transitions in a subnet
  std::vector<uint64_t> transition_bits_;  // for SortDistinct of a pass's new members, kept clear
  std::size_t first_ = 0;                  // where the growing subnet's transitions begin in map_.joined
  std::vector<int32_t> touching_;  // a pass's new members in transition order
  std::vector<int32_t> places_;
  std::vector<uint64_t> changed_;
  bool marking_ = false;  // this pass marks its changed places instead of listing them
};

}  // namespace

// The elements 1..count that have a subnet (`subnet_of`, 0 for none),
// grouped by it and in increasing order within a group, into `items`
// (when given), with the groups' starts in `from`: entry k for subnet k,
// entry 0 unused. Every table takes the room it needs and no more.
void GroupBySubnet(const CArray<int32_t>& subnet_of, int32_t count, int32_t subnets, std::vector<int32_t>* items,
                   std::vector<int32_t>& from) {
  GroupLayout<int32_t> layout(static_cast<std::size_t>(subnets) + 1);
  for (int32_t e = 1; e <= count; ++e) {
    if (subnet_of[e] != 0) layout.Count(static_cast<std::size_t>(subnet_of[e]));
  }
  const int32_t total = layout.Close();
  if (items != nullptr) {
    items->assign(static_cast<std::size_t>(total), 0);
    for (int32_t e = 1; e <= count; ++e) {
      if (subnet_of[e] != 0)
        (*items)[static_cast<std::size_t>(layout.Place(static_cast<std::size_t>(subnet_of[e])))] = e;
    }
  }
  from = layout.TakeStarts();
}

void Decompose(const NetStore& store, SubnetMap& map) {
  AllocateSubnetMap(map, store.n, store.m);
  map.joined.clear();
  if (store.n > 0) {
    Grower grower(store, map);
    int32_t seed = 1;
    for (int32_t k = 1;; ++k) {
      map.iSubNet = k;
      grower.Grow(k, seed);
      grower.SetRoles();
      while (seed <= store.n && map.SubNet[seed] != 0) ++seed;
      if (seed > store.n) break;
    }
  }
  // The subnets grew one after the other: each one's transitions lie
  // together in joining order, and as many as it has.
  GroupBySubnet(map.SubNet, store.n, map.iSubNet, nullptr, map.joined_from);
  GroupBySubnet(map.SX, store.m, map.iSubNet, &map.xs, map.xs_from);
  GroupBySubnet(map.SQ, store.m, map.iSubNet, &map.qs, map.qs_from);
  GroupBySubnet(map.SY, store.m, map.iSubNet, &map.ys, map.ys_from);
}

}  // namespace vantira
