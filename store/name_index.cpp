#include "store/name_index.h"

#include <cstring>

namespace vantira {

namespace {

inline uint64_t Load64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint64_t Mix(uint64_t h) {
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  h ^= h >> 32;
  return h;
}

}  // namespace

uint32_t HashName(std::string_view name) {
  const char* p = name.data();
  std::size_t len = name.size();
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ (len * 0xff51afd7ed558ccdULL);
  while (len >= 8) {
    h = (h ^ Load64(p)) * 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 31;
    p += 8;
    len -= 8;
  }
  uint64_t tail = 0;
  if (len > 0) std::memcpy(&tail, p, len);
  h = (h ^ tail) * 0x94d049bb133111ebULL;
  return static_cast<uint32_t>(Mix(h) >> 32);
}

int32_t NameTable::Find(std::string_view name, uint32_t hash) const {
  if (count_ == 0) return 0;
  const char* names = store_.names.Data();
  for (uint32_t i = hash >> shift_;; i = (i + 1) & mask_) {
    const Slot& slot = slots_[i];
    if (slot.element == 0) return 0;
    if (slot.hash != hash) continue;
    const char* stored = names + offsets_[slot.element];
    // strncmp stops at the stored name's NUL, so a shorter stored name is never overrun.
    if (std::strncmp(stored, name.data(), name.size()) == 0 && stored[name.size()] == '\0') {
      return slot.element;
    }
  }
}

void NameTable::Insert(int32_t element, uint32_t hash) {
  if (static_cast<uint64_t>(count_ + 1) * 4 > static_cast<uint64_t>(slots_.size()) * 3) Grow();
  uint32_t i = hash >> shift_;
  while (slots_[i].element != 0) i = (i + 1) & mask_;
  slots_[i] = Slot{hash, element};
  ++count_;
}

void NameTable::Clear() {
  std::vector<Slot>().swap(slots_);
  mask_ = 0;
  shift_ = 32;
  count_ = 0;
}

void NameTable::Grow() {
  std::size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
  std::vector<Slot> old(size);
  old.swap(slots_);
  mask_ = static_cast<uint32_t>(size - 1);
  shift_ = 32 - static_cast<uint32_t>(__builtin_ctzll(size));
  for (const Slot& slot : old) {
    if (slot.element == 0) continue;
    uint32_t i = slot.hash >> shift_;
    while (slots_[i].element != 0) i = (i + 1) & mask_;
    slots_[i] = slot;
  }
}

}  // namespace vantira
