#include "semiflows/integer.h"

#include <gmp.h>

#include <utility>

namespace vantira {

// Owns one mpz value; the only place that calls mpz_init and mpz_clear.
struct Integer::Wide {
  mpz_t value;
  Wide() { mpz_init(value); }
  explicit Wide(const mpz_t from) { mpz_init_set(value, from); }
  Wide(const Wide&) = delete;
  Wide& operator=(const Wide&) = delete;
  ~Wide() { mpz_clear(value); }
};

namespace {

// mpz_set_si takes a long, which is 32 bits on some systems: go through the
// two halves of the magnitude so any int64 converts exactly.
void SetInt64(mpz_t out, int64_t value) {
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  mpz_set_ui(out, static_cast<unsigned long>(magnitude >> 32));
  mpz_mul_2exp(out, out, 32);
  mpz_add_ui(out, out, static_cast<unsigned long>(magnitude & 0xffffffffu));
  if (value < 0) mpz_neg(out, out);
}

// An mpz view of either form, for the operations that go wide.
class Operand {
 public:
  Operand(const Integer& n, const mpz_t* wide) {
    if (wide != nullptr) {
      view_ = wide;
    } else {
      mpz_init(own_);
      SetInt64(own_, n.Small());
      owned_ = true;
      view_ = &own_;
    }
  }
  Operand(const Operand&) = delete;
  Operand& operator=(const Operand&) = delete;
  ~Operand() {
    if (owned_) mpz_clear(own_);
  }
  const mpz_t& get() const { return *view_; }

 private:
  mpz_t own_;
  bool owned_ = false;
  const mpz_t* view_ = nullptr;
};

}  // namespace

Integer::Integer() = default;

Integer::Integer(int64_t value) : small_(value) {}

Integer::Integer(const Integer& other) : small_(other.small_) {
  if (other.wide_) wide_ = std::make_unique<Wide>(other.wide_->value);
}

Integer& Integer::operator=(const Integer& other) {
  if (this != &other) {
    small_ = other.small_;
    wide_ = other.wide_ ? std::make_unique<Wide>(other.wide_->value) : nullptr;
  }
  return *this;
}

Integer::Integer(Integer&& other) noexcept : small_(std::exchange(other.small_, 0)), wide_(std::move(other.wide_)) {}

Integer& Integer::operator=(Integer&& other) noexcept {
  small_ = std::exchange(other.small_, 0);
  wide_ = std::move(other.wide_);
  return *this;
}

Integer::~Integer() = default;

// Goes back to the 64-bit form whenever the value fits, so that the fast
// path returns after a cancellation.
void Integer::SetWide(std::unique_ptr<Wide> wide) {
  if (mpz_sizeinbase(wide->value, 2) <= 63) {
    const bool negative = mpz_sgn(wide->value) < 0;
    mpz_abs(wide->value, wide->value);
    const uint64_t low = static_cast<uint64_t>(mpz_get_ui(wide->value)) & 0xffffffffu;
    mpz_fdiv_q_2exp(wide->value, wide->value, 32);
    const uint64_t high = static_cast<uint64_t>(mpz_get_ui(wide->value)) & 0xffffffffu;
    const auto magnitude = static_cast<int64_t>((high << 32) | low);
    small_ = negative ? -magnitude : magnitude;
    wide_.reset();
  } else {
    small_ = 0;
    wide_ = std::move(wide);
  }
}

#define VANTIRA_WIDE(n) ((n).wide_ ? &(n).wide_->value : nullptr)

Integer& Integer::operator+=(const Integer& other) {
  int64_t sum;
  if (!wide_ && !other.wide_ && !__builtin_add_overflow(small_, other.small_, &sum)) {
    small_ = sum;
    return *this;
  }
  auto out = std::make_unique<Wide>();
  Operand a(*this, VANTIRA_WIDE(*this)), b(other, VANTIRA_WIDE(other));
  mpz_add(out->value, a.get(), b.get());
  SetWide(std::move(out));
  return *this;
}

Integer& Integer::operator-=(const Integer& other) {
  int64_t difference;
  if (!wide_ && !other.wide_ && !__builtin_sub_overflow(small_, other.small_, &difference)) {
    small_ = difference;
    return *this;
  }
  auto out = std::make_unique<Wide>();
  Operand a(*this, VANTIRA_WIDE(*this)), b(other, VANTIRA_WIDE(other));
  mpz_sub(out->value, a.get(), b.get());
  SetWide(std::move(out));
  return *this;
}

Integer& Integer::operator*=(const Integer& other) {
  int64_t product;
  if (!wide_ && !other.wide_ && !__builtin_mul_overflow(small_, other.small_, &product)) {
    small_ = product;
    return *this;
  }
  auto out = std::make_unique<Wide>();
  Operand a(*this, VANTIRA_WIDE(*this)), b(other, VANTIRA_WIDE(other));
  mpz_mul(out->value, a.get(), b.get());
  SetWide(std::move(out));
  return *this;
}

Integer& Integer::DivideExact(const Integer& other) {
  // INT64_MIN / -1 is the one small quotient that does not fit.
  if (!wide_ && !other.wide_ && !(small_ == INT64_MIN && other.small_ == -1)) {
    small_ /= other.small_;
    return *this;
  }
  auto out = std::make_unique<Wide>();
  Operand a(*this, VANTIRA_WIDE(*this)), b(other, VANTIRA_WIDE(other));
  mpz_divexact(out->value, a.get(), b.get());
  SetWide(std::move(out));
  return *this;
}

bool operator==(const Integer& a, const Integer& b) {
  if (!a.wide_ && !b.wide_) return a.small_ == b.small_;
  Operand x(a, VANTIRA_WIDE(a)), y(b, VANTIRA_WIDE(b));
  return mpz_cmp(x.get(), y.get()) == 0;
}

bool operator<(const Integer& a, const Integer& b) {
  if (!a.wide_ && !b.wide_) return a.small_ < b.small_;
  Operand x(a, VANTIRA_WIDE(a)), y(b, VANTIRA_WIDE(b));
  return mpz_cmp(x.get(), y.get()) < 0;
}

Integer Gcd(const Integer& a, const Integer& b) {
  if (!a.wide_ && !b.wide_ && a.small_ != INT64_MIN && b.small_ != INT64_MIN) {
    int64_t x = a.small_ < 0 ? -a.small_ : a.small_, y = b.small_ < 0 ? -b.small_ : b.small_;
    while (y != 0) x = std::exchange(y, x % y);
    return Integer(x);
  }
  auto out = std::make_unique<Integer::Wide>();
  Operand x(a, VANTIRA_WIDE(a)), y(b, VANTIRA_WIDE(b));
  mpz_gcd(out->value, x.get(), y.get());
  Integer result;
  result.SetWide(std::move(out));
  return result;
}

#undef VANTIRA_WIDE

bool Integer::IsOne() const { return !wide_ && small_ == 1; }

int Integer::Sign() const {
  if (wide_) return mpz_sgn(wide_->value);
  return small_ > 0 ? 1 : (small_ < 0 ? -1 : 0);
}

std::string Integer::ToString() const {
  if (!wide_) return std::to_string(small_);
  std::string text(mpz_sizeinbase(wide_->value, 10) + 2, '\0');
  mpz_get_str(text.data(), 10, wide_->value);
  text.resize(std::char_traits<char>::length(text.c_str()));
  return text;
}

std::size_t Integer::HeapBytes() const {
  if (wide_ == nullptr) return 0;
  // The Wide itself and its limbs, each with the allocator's header.
  return sizeof(Wide) + 16 + static_cast<std::size_t>(wide_->value[0]._mp_alloc) * sizeof(mp_limb_t) + 16;
}

}  // namespace vantira
