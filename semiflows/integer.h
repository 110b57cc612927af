// An exact integer for semiflow weights and the constants y.M0: a 64-bit value
// while it fits, arbitrary precision (GMP) beyond, never a silent overflow.
// docs/semiflows.md (the algorithm, Exactness) says where it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vantira {

class Integer {
 public:
  Integer();  // zero; out of line, where the wide form is a complete type
  explicit Integer(int64_t value);
  // Copyable, movable; the wide form owns its GMP value (RAII).
  Integer(const Integer&);
  Integer& operator=(const Integer&);
  Integer(Integer&&) noexcept;
  Integer& operator=(Integer&&) noexcept;
  ~Integer();

  Integer& operator+=(const Integer& other);
  Integer& operator-=(const Integer& other);
  Integer& operator*=(const Integer& other);
  // Exact division: `other` divides this (as after a gcd), never zero.
  Integer& DivideExact(const Integer& other);
  friend Integer operator*(Integer a, const Integer& b) { return a *= b; }
  friend Integer operator+(Integer a, const Integer& b) { return a += b; }
  friend Integer operator-(Integer a, const Integer& b) { return a -= b; }
  friend bool operator==(const Integer& a, const Integer& b);
  friend bool operator<(const Integer& a, const Integer& b);
  // The greatest common divisor, nonnegative; Gcd(0, 0) is 0.
  friend Integer Gcd(const Integer& a, const Integer& b);

  bool IsOne() const;
  // -1, 0 or 1.
  int Sign() const;
  // Whether the value is held in 64 bits, and then that value. Any value
  // that fits is held so, whatever computed it.
  bool IsSmall() const { return wide_ == nullptr; }
  int64_t Small() const { return small_; }
  // Decimal, with a leading '-' when negative.
  std::string ToString() const;
  // The bytes the wide form holds on the heap (0 while small), for budgets.
  std::size_t HeapBytes() const;

 private:
  struct Wide;  // a GMP value, only while the value does not fit 64 bits
  void SetWide(std::unique_ptr<Wide> wide);

  int64_t small_ = 0;
  std::unique_ptr<Wide> wide_;
};

}  // namespace vantira
