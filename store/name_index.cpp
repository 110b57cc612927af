#include "store/name_index.h"

#include <cstring>

namespace vantira {

namespace {

inline uint64_t Load64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint64_t Load32(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// 64x64 -> 128-bit multiply, folded: a fast mixer with good avalanche.
inline uint64_t Fold(uint64_t a, uint64_t b) {
  __uint128_t r = static_cast<__uint128_t>(a) * b;
  return static_cast<uint64_t>(r) ^ static_cast<uint64_t>(r >> 64);
}

constexpr uint64_t kSeed0 = 0xa0761d6478bd642fULL;
constexpr uint64_t kSeed1 = 0xe7037ed1a0b428dbULL;
constexpr uint64_t kSeed2 = 0x8ebc6af09c88c6e3ULL;

}  // namespace

// Names are mostly short: up to 16 bytes are covered by two overlapping
// loads, so there is no byte loop and no variable-length copy.
uint32_t HashName(std::string_view name) {
  const char* p = name.data();
  const std::size_t len = name.size();
  uint64_t a = 0;
  uint64_t b = 0;
  uint64_t seed = kSeed0 ^ len;
  if (len > 16) {
    for (std::size_t i = 0; i + 16 < len; i += 16) seed = Fold(Load64(p + i) ^ kSeed1, Load64(p + i + 8) ^ seed);
    a = Load64(p + len - 16);
    b = Load64(p + len - 8);
  } else if (len >= 8) {
    a = Load64(p);
    b = Load64(p + len - 8);
  } else if (len >= 4) {
    a = Load32(p);
    b = Load32(p + len - 4);
  } else if (len > 0) {
    a = (static_cast<uint64_t>(static_cast<unsigned char>(p[0])) << 16) |
        (static_cast<uint64_t>(static_cast<unsigned char>(p[len >> 1])) << 8) |
        static_cast<unsigned char>(p[len - 1]);
  }
  uint64_t h = Fold(a ^ kSeed1, b ^ seed);
  return static_cast<uint32_t>(Fold(h ^ kSeed2, len ^ kSeed1) >> 32);
}

namespace {

inline uint32_t Tag(std::string_view name, uint32_t hash) { return (hash & ~1u) | (name.size() > 8 ? 1u : 0u); }

// The first 8 bytes, zero-padded, in the order of the bytes in memory. A
// copy of a variable length into a word would be written bytewise and read
// back whole, which stalls the load; overlapping fixed-size loads do not.
inline uint64_t Head(std::string_view name) {
  const char* p = name.data();
  const std::size_t len = name.size();
  if (len >= 8) return Load64(p);
  if (len >= 4) return Load32(p) | (Load32(p + len - 4) << (8 * (len - 4)));
  if (len == 0) return 0;
  auto byte = [p](std::size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
  return byte(0) | (byte(len >> 1) << (8 * (len >> 1))) | (byte(len - 1) << (8 * (len - 1)));
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

void NameTable::Reserve(std::size_t elements) {
  std::size_t size = size_ == 0 ? kFirstSize : size_;
  while (elements * 4 > size * 3) size *= 2;
  if (size > size_) Rehash(size);
}

void NameTable::Grow() { Rehash(size_ == 0 ? kFirstSize : size_ * 2); }

void NameTable::Rehash(std::size_t size) {
  const std::size_t old_size = size_;
  CArray<Slot> old = std::move(slots_);
  size_ = size;
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

GrowthPlanner::GrowthPlanner(NameIndex& index, std::string_view text)
    : index_(index), begin_(text.data()), total_(text.size()), next_(text.data() + text.size() / kSteps) {}

void GrowthPlanner::Plan(const char* position) {
  const auto done = static_cast<double>(position - begin_);
  next_ = position + total_ / kSteps + 1;
  if (done == 0) return;
  // A table for e names takes up to 43 e bytes; at most total / 24 names keeps
  // the two tables within about twice the text.
  const double cap = static_cast<double>(total_ / 24);
  for (NameTable* table : {&index_.places, &index_.transitions}) {
    const double projected = static_cast<double>(table->Count()) * static_cast<double>(total_) / done;
    table->Reserve(static_cast<std::size_t>(projected < cap ? projected : cap));
  }
}

}  // namespace vantira
