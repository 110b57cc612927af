// Hash look-up of place and transition names. Places and transitions are two
// separate tables; each maps a name to its element number. A slot keeps the
// first 8 bytes of its name, so a name of up to 8 bytes is matched without
// touching the names buffer; longer names are compared against the stored
// name in the store's `names`, which is why a table holds the store by
// reference.
#pragma once

#include <cstdint>
#include <string_view>

#include "store/net_store.h"
#include "store/prefetch.h"

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
    if (count_ != 0) PrefetchLine(&slots_[Home(hash)]);
  }
  // Makes room for `elements` names in all, so that adding them needs no growth.
  void Reserve(std::size_t elements);
  int32_t Count() const { return count_; }
  void Clear();

 private:
  // A slot holds no hash, only the name's head: a name of up to 8 bytes
  // itself, zero-padded (names hold no NUL), so that it is matched without
  // touching the names buffer; for a longer name, a second hash of it with a
  // zero first byte, which no shorter name's head has, and the stored name
  // decides. 12 bytes a slot keep the tables small: fresh memory is what a
  // run pays most for.
  struct Slot {
    uint32_t head_low;
    uint32_t head_high;
    int32_t element;  // 0 marks an empty slot
  };
  static_assert(sizeof(Slot) == 12);
  static constexpr std::size_t kFirstSize = 1024;

  // Any size, not only powers of two, so a table sized ahead fits its names
  // closely: the hash is scaled to the size.
  std::size_t Home(uint32_t hash) const { return static_cast<std::size_t>((uint64_t{hash} * size_) >> 32); }
  void Rehash(std::size_t size);

  const NetStore& store_;
  const CArray<int32_t>& offsets_;
  CArray<Slot> slots_;
  std::size_t size_ = 0;
  std::size_t limit_ = 0;  // the count at which the table is too full for short probes
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
class GrowthPlanner {
 public:
  GrowthPlanner(NameIndex& index, std::string_view text);
  // Called with the start of each line before it is entered.
  void At(const char* position) {
    if (position >= next_) Plan(position);
  }

 private:
  static constexpr std::size_t kSteps = 64;
  void Plan(const char* position);

  NameIndex& index_;
  const char* begin_;
  std::size_t total_;
  const char* next_;
};

}  // namespace vantira
