// An exact integer for semiflow weights and the constants y.M0: a 64-bit value
// while it fits, arbitrary precision (GMP) beyond, never a silent overflow.
#pragma once

#include <cstdint>
#include <string>

namespace vantira {

class Integer {
 public:
  Integer() = default;
  explicit Integer(int64_t value);
  // Copyable, movable; the wide form owns its GMP value (RAII).
  Integer(const Integer&);
  Integer& operator=(const Integer&);
  Integer(Integer&&) noexcept;
  Integer& operator=(Integer&&) noexcept;
  ~Integer();

  Integer& operator+=(const Integer& other);
  Integer& operator*=(const Integer& other);
  friend Integer operator*(Integer a, const Integer& b) { return a *= b; }
  friend Integer operator+(Integer a, const Integer& b) { return a += b; }
  friend bool operator==(const Integer& a, const Integer& b);
  friend bool operator<(const Integer& a, const Integer& b);

  bool IsOne() const;
  // Decimal, with a leading '-' when negative.
  std::string ToString() const;

 private:
  // implementation defined by semiflows/integer.cpp
};

}  // namespace vantira
