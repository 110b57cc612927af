// Hash look-up of place and transition names. Places and transitions are two
// separate tables; each maps a name to its element number. Keys are not
// copied: an entry compares against the stored name in the store's `names`,
// which is why the tables hold the store by reference.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/net_store.h"

namespace vantira {

uint32_t HashName(std::string_view name);

class NameTable {
 public:
  NameTable(const NetStore& store, const CArray<int32_t>& offsets) : store_(store), offsets_(offsets) {}

  // Element number with this name, 0 if none.
  int32_t Find(std::string_view name, uint32_t hash) const;
  // Adds an element whose name is not in the table yet.
  void Insert(int32_t element, uint32_t hash);
  void Clear();

 private:
  struct Slot {
    uint32_t hash;
    int32_t element;  // 0 marks an empty slot
  };
  void Grow();

  const NetStore& store_;
  const CArray<int32_t>& offsets_;
  std::vector<Slot> slots_;
  uint32_t mask_ = 0;
  uint32_t shift_ = 32;
  int32_t count_ = 0;
};

struct NameIndex {
  explicit NameIndex(const NetStore& store) : places(store, store.pn), transitions(store, store.tn) {}
  NameTable places;
  NameTable transitions;
};

}  // namespace vantira
