// Hash look-up of place and transition names. Places and transitions are two
// separate tables; each maps a name to its element number. A slot keeps a
// head of its name (see Bucket), so a name of up to 8 bytes is matched
// without touching the names buffer; longer names are compared against the
// stored name in the store's `names`, which is why a table holds the store
// by reference.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "base/prefetch.h"
#include "store/net_store.h"

namespace vantira {

uint32_t HashName(std::string_view name);

class NameTable {
 public:
  NameTable(const NetStore& store, const CArray<int32_t>& offsets) : store_(store), offsets_(offsets) {}

  // Element number with this name, 0 if none.
  int32_t Find(std::string_view name, uint32_t hash) const;
  // Adds an element whose name is not in the table yet.
  void Insert(int32_t element, std::string_view name, uint32_t hash);
  // Hints that `hash` will be looked up soon.
  void Prefetch(uint32_t hash) const {
    if (count_ != 0) PrefetchLine(&buckets_[Home(hash)]);
  }
  // Makes room for `elements` names in all, so that adding them needs no growth.
  void Reserve(std::size_t elements);
  int32_t Count() const { return count_; }
  void Clear();

 private:
  // Slots come in buckets of one cache line each, five names' heads and
  // element numbers. A look-up reads the bucket its hash points at and, when
  // that one is full, the next; most look-ups, those of new names included,
  // touch one line. A slot keeps the name's head: a name of up to 8 bytes
  // itself, zero-padded (names hold no NUL), so that it is matched without
  // touching the names buffer; for a longer name, its hash and a few of its
  // bytes above a zero first byte, which no shorter name's head has, and the
  // stored name decides. About 13 bytes a slot keep the tables small: fresh memory is
  // what a run pays most for.
  static constexpr int kSlots = 5;
  struct alignas(64) Bucket {
    uint64_t head[kSlots];
    int32_t element[kSlots];  // 0 marks an empty slot; a bucket fills from its first slot
  };
  static_assert(sizeof(Bucket) == 64);
  static constexpr std::size_t kFirstBuckets = 16;

  // Any number of buckets, not only powers of two, so a table sized ahead
  // fits its names closely: the hash is scaled to the size.
  std::size_t Home(uint32_t hash) const { return static_cast<std::size_t>((uint64_t{hash} * size_) >> 32); }
  void Rehash(std::size_t buckets);
  void Place(int32_t element, uint64_t head, uint32_t hash);

  struct Free {
    void operator()(Bucket* buckets) const { std::free(buckets); }
  };
  const NetStore& store_;
  const CArray<int32_t>& offsets_;
  std::unique_ptr<Bucket[], Free> buckets_;
  std::size_t size_ = 0;   // buckets
  std::size_t limit_ = 0;  // the count at which the table is too full for short look-ups
  int32_t count_ = 0;
};

struct NameIndex {
  explicit NameIndex(const NetStore& store) : places(store, store.pn), transitions(store, store.tn) {}
  NameTable places;
  NameTable transitions;
};

// Sizes the tables ahead of need while a text is read. Growing by doubling
// from a small table rehashes every name again at each step and takes fresh
// memory each time; most nets name their elements evenly through the file,
// so at every 1/64 of the text each table is grown at once to the size the
// names met so far project for the whole text. The projection is capped, so
// that an uneven file costs at most about its own size in table memory.
// The names a text of `total` bytes will hold, projected from the `count`
// met in its first `position` bytes, capped at total / 24.
std::size_t ProjectedNames(std::size_t count, uint64_t position, uint64_t total);

class GrowthPlanner {
 public:
  // `total`: the size of the text in bytes, 0 when unknown (the tables then
  // grow as they fill).
  GrowthPlanner(NameIndex& index, uint64_t total);
  // Called with the offset of each line in the text before it is entered.
  void At(uint64_t position) {
    if (position >= next_) Plan(position);
  }

 private:
  static constexpr uint64_t kSteps = 64;
  void Plan(uint64_t position);

  NameIndex& index_;
  uint64_t total_;
  uint64_t next_;
};

}  // namespace vantira
