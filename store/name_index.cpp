#include "store/name_index.h"

#include <algorithm>
#include <bit>
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

// Up to this load most look-ups end in their first bucket.
constexpr double kMaxLoad = 0.75;

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

inline uint64_t Head(std::string_view name, uint32_t hash) {
  const std::size_t len = name.size();
  if (len <= 8) return ShortHead(name.data(), len);
  // A name longer than 8 bytes: its hash and three of its last bytes above a
  // zero byte (a short name's first byte is never zero, and the empty name's
  // head is all zero; names hold no NUL, so this head is not zero either).
  return (uint64_t{hash} << 32) | ((Load32(name.data() + len - 4) & 0xffffff) << 8);
}

// The name a short head holds, which is its name, zero-padded.
std::string_view NameInHead(const uint64_t& head) {
  const auto* bytes = reinterpret_cast<const char*>(&head);
  std::size_t len = 0;
  while (len < 8 && bytes[len] != '\0') ++len;
  return {bytes, len};
}

}  // namespace

int32_t NameTable::Find(std::string_view name, uint32_t hash) const {
  if (count_ == 0) return 0;
  const uint64_t head = Head(name, hash);
  for (std::size_t b = Home(hash);;) {
    const Bucket& bucket = buckets_[b];
    // All five slots are compared at once, without a branch: where the name
    // sits in its bucket is random, and a branch per slot would guess wrong
    // on most look-ups. An empty slot holds a zero head, the empty name's,
    // and a zero element, which is the answer "none" for that name too.
    unsigned match = 0;
    unsigned empty = 0;
    for (int j = 0; j < kSlots; ++j) {
      match |= static_cast<unsigned>(bucket.head[j] == head) << j;
      empty |= static_cast<unsigned>(bucket.element[j] == 0) << j;
    }
    // Two names of at most 8 bytes with equal heads are equal.
    if (match != 0 && name.size() <= 8) return bucket.element[std::countr_zero(match)];
    for (; match != 0; match &= match - 1) {
      const int32_t element = bucket.element[std::countr_zero(match)];
      // strncmp stops at the stored name's NUL, so a shorter stored name is never overrun.
      const char* stored = store_.names.Data() + offsets_[element];
      if (std::strncmp(stored, name.data(), name.size()) == 0 && stored[name.size()] == '\0') return element;
    }
    if (empty != 0) return 0;
    if (++b == size_) b = 0;
  }
}

void NameTable::Place(int32_t element, uint64_t head, uint32_t hash) {
  for (std::size_t b = Home(hash);;) {
    Bucket& bucket = buckets_[b];
    for (int j = 0; j < kSlots; ++j) {
      if (bucket.element[j] != 0) continue;
      bucket.head[j] = head;
      bucket.element[j] = element;
      return;
    }
    if (++b == size_) b = 0;
  }
}

void NameTable::Insert(int32_t element, std::string_view name, uint32_t hash) {
  if (static_cast<std::size_t>(count_) + 1 > limit_) Rehash(size_ == 0 ? kFirstBuckets : 2 * size_);
  Place(element, Head(name, hash), hash);
  ++count_;
}

void NameTable::Clear() {
  buckets_.reset();
  size_ = 0;
  limit_ = 0;
  count_ = 0;
}

void NameTable::Reserve(std::size_t elements) {
  if (elements <= limit_) return;
  // Beyond the need, and by half again at least, so that a projection that
  // creeps up rebuilds the table a few times at most.
  const double buckets = static_cast<double>(elements) * 1.1 / (kMaxLoad * kSlots);
  Rehash(std::max({kFirstBuckets, static_cast<std::size_t>(buckets), size_ + size_ / 2}));
}

// A slot keeps no hash. A short name is its head, so its hash comes from
// the slot itself; only a longer name is read from the names buffer.
void NameTable::Rehash(std::size_t buckets) {
  if (buckets > (std::size_t{1} << 32)) throw NoMemory();
  const std::size_t bytes = buckets * sizeof(Bucket);
  std::unique_ptr<Bucket[], Free> old(static_cast<Bucket*>(std::aligned_alloc(alignof(Bucket), bytes)));
  if (old == nullptr) throw NoMemory();
  AdviseHugePages(old.get(), bytes);
  std::memset(static_cast<void*>(old.get()), 0, bytes);  // every slot empty
  old.swap(buckets_);
  const std::size_t old_size = size_;
  size_ = buckets;
  limit_ = static_cast<std::size_t>(static_cast<double>(buckets * kSlots) * kMaxLoad);
  for (std::size_t b = 0; b < old_size; ++b) {
    const Bucket& bucket = old[b];
    for (int j = 0; j < kSlots && bucket.element[j] != 0; ++j) {
      const uint64_t head = bucket.head[j];
      const bool stored = (head & 0xff) == 0 && head != 0;  // a name longer than 8 bytes
      const std::string_view name = stored ? store_.Name(offsets_[bucket.element[j]]) : NameInHead(bucket.head[j]);
      Place(bucket.element[j], head, HashName(name));
    }
  }
}

std::size_t ProjectedNames(std::size_t count, uint64_t position, uint64_t total) {
  // A table for e names takes about 19 e bytes, up to 28 e when it grew by
  // half; at most total / 24 names keeps the two within about twice the text.
  const double cap = static_cast<double>(total / 24);
  const double projected = static_cast<double>(count) * static_cast<double>(total) / static_cast<double>(position);
  return static_cast<std::size_t>(projected < cap ? projected : cap);
}

GrowthPlanner::GrowthPlanner(NameIndex& index, uint64_t total)
    : index_(index), total_(total), next_(total == 0 ? UINT64_MAX : total / kSteps) {}

void GrowthPlanner::Plan(uint64_t position) {
  next_ = position + total_ / kSteps + 1;
  if (position == 0) return;
  for (NameTable* table : {&index_.places, &index_.transitions}) {
    table->Reserve(ProjectedNames(static_cast<std::size_t>(table->Count()), position, total_));
  }
}

}  // namespace vantira
