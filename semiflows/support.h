// The support of a row as a sparse bit set: the nonzero 64-bit words of the
// variables' bit string, by word index, with the count of bits and a 64-bit
// summary (bit v mod 64 for each variable v) that rejects most subset tests
// at once.
// docs/semiflows.md (the algorithm, Pruning) says how the test uses it.
#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <vector>

namespace vantira {

struct Support {
  std::vector<uint32_t> word;  // ascending
  std::vector<uint64_t> bits;  // never zero
  uint32_t count = 0;
  uint64_t summary = 0;

  // From variables in ascending order.
  static Support Of(std::span<const int32_t> variables);
  // The union of two supports.
  static Support Union(const Support& a, const Support& b);
  // Whether every variable of this one is in `other`.
  bool Within(const Support& other) const;
  int32_t Lowest() const { return static_cast<int32_t>(word[0] * 64 + std::countr_zero(bits[0])); }
};

inline Support Support::Of(std::span<const int32_t> variables) {
  Support s;
  for (int32_t v : variables) {
    const auto w = static_cast<uint32_t>(v) / 64;
    if (s.word.empty() || s.word.back() != w) {
      s.word.push_back(w);
      s.bits.push_back(0);
    }
    s.bits.back() |= uint64_t{1} << (v % 64);
    s.summary |= uint64_t{1} << (v % 64);
  }
  s.count = static_cast<uint32_t>(variables.size());
  return s;
}

inline Support Support::Union(const Support& a, const Support& b) {
  Support s;
  s.word.reserve(a.word.size() + b.word.size());
  s.bits.reserve(a.word.size() + b.word.size());
  std::size_t i = 0, j = 0;
  while (i < a.word.size() || j < b.word.size()) {
    uint32_t w;
    uint64_t bits = 0;
    if (j == b.word.size() || (i < a.word.size() && a.word[i] < b.word[j])) {
      w = a.word[i];
      bits = a.bits[i++];
    } else if (i == a.word.size() || b.word[j] < a.word[i]) {
      w = b.word[j];
      bits = b.bits[j++];
    } else {
      w = a.word[i];
      bits = a.bits[i++] | b.bits[j++];
    }
    s.word.push_back(w);
    s.bits.push_back(bits);
    s.count += static_cast<uint32_t>(std::popcount(bits));
  }
  s.summary = a.summary | b.summary;
  return s;
}

inline bool Support::Within(const Support& other) const {
  if (count > other.count || (summary & ~other.summary) != 0) return false;
  std::size_t j = 0;
  for (std::size_t i = 0; i < word.size(); ++i) {
    while (j < other.word.size() && other.word[j] < word[i]) ++j;
    if (j == other.word.size() || other.word[j] != word[i] || (bits[i] & ~other.bits[j]) != 0) return false;
  }
  return true;
}

}  // namespace vantira
