// The two coefficient types of the elimination: int64_t with every operation
// checked (an overflow throws Overflow, and the caller starts again wide) and
// Integer, which never overflows.
// docs/semiflows.md (the algorithm, Exactness) explains the switch.
#pragma once

#include <cstdint>
#include <utility>

#include "semiflows/integer.h"

namespace vantira {

struct Overflow {};

inline int64_t Multiply(int64_t a, int64_t b) {
  int64_t out;
  if (__builtin_mul_overflow(a, b, &out)) throw Overflow{};
  return out;
}
inline int64_t Add(int64_t a, int64_t b) {
  int64_t out;
  if (__builtin_add_overflow(a, b, &out)) throw Overflow{};
  return out;
}
inline int64_t Negate(int64_t a) {
  if (a == INT64_MIN) throw Overflow{};
  return -a;
}
inline int64_t GcdOf(int64_t a, int64_t b) {  // of magnitudes, both nonzero or one zero
  uint64_t x = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
  uint64_t y = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
  while (y != 0) x = std::exchange(y, x % y);
  if (x > static_cast<uint64_t>(INT64_MAX)) throw Overflow{};
  return static_cast<int64_t>(x);
}
inline int64_t DivideBy(int64_t a, int64_t d) { return a / d; }  // d > 0 divides a
inline int SignOf(int64_t a) { return (a > 0) - (a < 0); }
inline bool IsOneValue(int64_t a) { return a == 1; }
inline Integer ToInteger(int64_t a) { return Integer(a); }

inline Integer Multiply(const Integer& a, const Integer& b) { return a * b; }
inline Integer Add(const Integer& a, const Integer& b) { return a + b; }
inline Integer Negate(const Integer& a) { return Integer(0) - a; }
inline Integer GcdOf(const Integer& a, const Integer& b) { return Gcd(a, b); }
inline Integer DivideBy(Integer a, const Integer& d) { return a.DivideExact(d); }
inline int SignOf(const Integer& a) { return a.Sign(); }
inline bool IsOneValue(const Integer& a) { return a.IsOne(); }
inline Integer ToInteger(const Integer& a) { return a; }

}  // namespace vantira
