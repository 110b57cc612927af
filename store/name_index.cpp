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

namespace {

inline uint32_t Tag(std::string_view name, uint32_t hash) { return (hash & ~1u) | (name.size() > 8 ? 1u : 0u); }

inline uint64_t Head(std::string_view name) {
  uint64_t head = 0;
  std::memcpy(&head, name.data(), name.size() < 8 ? name.size() : 8);
  return head;
}

}  // namespace

int32_t NameTable::Find(std::string_view name, uint32_t hash) const {
  if (count_ == 0) return 0;
  const uint64_t head = Head(name);
  const uint32_t tag = Tag(name, hash);
  for (uint32_t i = hash >> shift_;; i = (i + 1) & mask_) {
    const Slot& slot = slots_[i];
    if (slot.element == 0) return 0;
    if (slot.tag != tag || slot.head != head) continue;
    // Two names of at most 8 bytes with equal zero-padded heads are equal.
    if (name.size() <= 8) return slot.element;
    // strncmp stops at the stored name's NUL, so a shorter stored name is never overrun.
    const char* stored = store_.names.Data() + offsets_[slot.element];
    if (std::strncmp(stored + 8, name.data() + 8, name.size() - 8) == 0 && stored[name.size()] == '\0') {
      return slot.element;
    }
  }
}

void NameTable::Insert(int32_t element, std::string_view name, uint32_t hash) {
  if (static_cast<uint64_t>(count_ + 1) * 4 > static_cast<uint64_t>(size_) * 3) Grow();
  uint32_t i = hash >> shift_;
  while (slots_[i].element != 0) i = (i + 1) & mask_;
  slots_[i] = Slot{Tag(name, hash), element, Head(name)};
  ++count_;
}

void NameTable::Clear() {
  slots_.Release();
  size_ = 0;
  mask_ = 0;
  shift_ = 32;
  count_ = 0;
}

void NameTable::Grow() {
  const std::size_t old_size = size_;
  CArray<Slot> old = std::move(slots_);
  size_ = old_size == 0 ? 1024 : old_size * 2;
  slots_.Allocate(size_);  // zero-filled: every slot empty
  mask_ = static_cast<uint32_t>(size_ - 1);
  shift_ = 32 - static_cast<uint32_t>(__builtin_ctzll(size_));
  for (std::size_t j = 0; j < old_size; ++j) {
    const Slot& slot = old[j];
    if (slot.element == 0) continue;
    uint32_t i = slot.tag >> shift_;
    while (slots_[i].element != 0) i = (i + 1) & mask_;
    slots_[i] = slot;
  }
}

}  // namespace vantira
