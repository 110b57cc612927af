#include "store/name_index.h"

#include <algorithm>
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

// Linear probing stays within a cache line or two up to this load.
constexpr double kMaxLoad = 0.7;

// The first 8 bytes, zero-padded, in the order of the bytes in memory. A
// copy of a variable length into a word would be written bytewise and read
// back whole, which stalls the load; overlapping fixed-size loads do not.
inline uint64_t ShortHead(const char* p, std::size_t len) {
  if (len >= 8) return Load64(p);
  if (len >= 4) return Load32(p) | (Load32(p + len - 4) << (8 * (len - 4)));
  if (len == 0) return 0;
  auto byte = [p](std::size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
  return byte(0) | (byte(len >> 1) << (8 * (len >> 1))) | (byte(len - 1) << (8 * (len - 1)));
}

inline uint64_t Head(std::string_view name) {
  const std::size_t len = name.size();
  if (len <= 8) return ShortHead(name.data(), len);
  // A name longer than 8 bytes: 56 bits of a hash independent of the slot
  // index, above a zero byte (a short name's first byte is never zero, and
  // the empty name's head is all zero).
  uint64_t h = Fold(Load64(name.data()) ^ kSeed2, Load64(name.data() + len - 8) ^ kSeed0 ^ len);
  h = Fold(h ^ kSeed1, HashName(name.substr(8)) ^ kSeed2);
  return (h << 8) | (h == 0 ? 0x100 : 0);
}

}  // namespace

int32_t NameTable::Find(std::string_view name, uint32_t hash) const {
  if (count_ == 0) return 0;
  const uint64_t head = Head(name);
  const auto low = static_cast<uint32_t>(head);
  const auto high = static_cast<uint32_t>(head >> 32);
  for (std::size_t i = Home(hash);;) {
    const Slot& slot = slots_[i];
    if (slot.element == 0) return 0;
    if (slot.head_low == low && slot.head_high == high) {
      // Two names of at most 8 bytes with equal heads are equal.
      if (name.size() <= 8) return slot.element;
      // strncmp stops at the stored name's NUL, so a shorter stored name is never overrun.
      const char* stored = store_.names.Data() + offsets_[slot.element];
      if (std::strncmp(stored, name.data(), name.size()) == 0 && stored[name.size()] == '\0') return slot.element;
    }
    if (++i == size_) i = 0;
  }
}

void NameTable::Insert(int32_t element, std::string_view name, uint32_t hash) {
  if (static_cast<std::size_t>(count_) + 1 > limit_) Rehash(size_ == 0 ? kFirstSize : 2 * size_);
  std::size_t i = Home(hash);
  while (slots_[i].element != 0) {
    if (++i == size_) i = 0;
  }
  const uint64_t head = Head(name);
  slots_[i] = Slot{static_cast<uint32_t>(head), static_cast<uint32_t>(head >> 32), element};
  ++count_;
}

void NameTable::Clear() {
  slots_.Release();
  size_ = 0;
  limit_ = 0;
  count_ = 0;
}

void NameTable::Reserve(std::size_t elements) {
  if (elements <= limit_) return;
  // A little beyond the need, so that a projection that creeps up does not
  // rebuild the table at every step.
  Rehash(std::max(kFirstSize, static_cast<std::size_t>(static_cast<double>(elements) * 1.15 / kMaxLoad)));
}

// Slots keep no hash, so the names are hashed again from the store; the
// tables are sized ahead, so this happens a few times per run at most.
void NameTable::Rehash(std::size_t size) {
  if (size > (std::size_t{1} << 32)) throw NoMemory();
  slots_.Allocate(size);  // zero-filled: every slot empty
  size_ = size;
  limit_ = static_cast<std::size_t>(static_cast<double>(size) * kMaxLoad);
  for (int32_t e = 1; e <= count_; ++e) {
    const std::string_view name = store_.Name(offsets_[e]);
    std::size_t i = Home(HashName(name));
    while (slots_[i].element != 0) {
      if (++i == size_) i = 0;
    }
    const uint64_t head = Head(name);
    slots_[i] = Slot{static_cast<uint32_t>(head), static_cast<uint32_t>(head >> 32), e};
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
