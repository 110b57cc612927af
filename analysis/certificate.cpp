#include "analysis/certificate.h"

#include <gmp.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

namespace vantira {

namespace {

struct Fraction {
  int64_t numerator;
  int64_t denominator;
};

// The simplest fraction within `tolerance` of v >= 0, by continued fractions;
// empty when none has numerator and denominator below 2^53.
std::optional<Fraction> Simplest(double v, double tolerance) {
  const double limit = 9007199254740992.0;  // 2^53: doubles hold every integer below it
  double h0 = 1, h1 = 0, k0 = 0, k1 = 1;    // convergents h/k, two at a time
  double x = v;
  for (int step = 0; step < 64; ++step) {
    const double a = std::floor(x);
    const double h = a * h0 + h1;
    const double k = a * k0 + k1;
    if (h >= limit || k >= limit) return std::nullopt;
    h1 = h0;
    h0 = h;
    k1 = k0;
    k0 = k;
    if (std::fabs(v - h / k) <= tolerance * std::max(1.0, v)) {
      return Fraction{static_cast<int64_t>(h), static_cast<int64_t>(k)};
    }
    const double rest = x - a;
    if (rest <= 0) break;
    x = 1 / rest;
  }
  return std::nullopt;
}

struct Mpz {
  mpz_t value;
  Mpz() { mpz_init(value); }
  explicit Mpz(const Integer& v) {
    mpz_init(value);
    if (v.IsSmall()) {
      mpz_set_si(value, v.Small());
    } else {
      mpz_set_str(value, v.ToString().c_str(), 10);
    }
  }
  Mpz(const Mpz&) = delete;
  Mpz& operator=(const Mpz&) = delete;
  ~Mpz() { mpz_clear(value); }
};

// An Integer with the value of a GMP number, built from its 62-bit digits.
Integer FromMpz(const mpz_t v) {
  if (mpz_fits_slong_p(v)) return Integer(mpz_get_si(v));
  Mpz rest;
  mpz_abs(rest.value, v);
  const std::size_t digits = (mpz_sizeinbase(rest.value, 2) + 61) / 62;
  Integer result(0);
  const Integer base(int64_t{1} << 62);
  Mpz digit;
  for (std::size_t i = digits; i-- > 0;) {
    mpz_tdiv_q_2exp(digit.value, rest.value, static_cast<mp_bitcnt_t>(62 * i));
    mpz_fdiv_r_2exp(digit.value, digit.value, 62);
    result *= base;
    result += Integer(mpz_get_si(digit.value));
  }
  return mpz_sgn(v) < 0 ? Integer(0) - result : result;
}

}  // namespace

std::optional<SparseVector> WholeNumbers(std::span<const int32_t> nodes, std::span<const double> values,
                                         double tolerance) {
  std::vector<Fraction> fractions;
  SparseVector out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double v = values[i];
    if (!std::isfinite(v) || v < -tolerance) return std::nullopt;
    if (v <= tolerance) continue;
    const std::optional<Fraction> f = Simplest(v, tolerance);
    if (!f || f->numerator == 0) {
      if (!f) return std::nullopt;
      continue;
    }
    fractions.push_back(*f);
    out.nodes.push_back(nodes[i]);
  }
  Integer lcm(1);
  for (const Fraction& f : fractions) {
    const Integer d(f.denominator);
    Integer g = Gcd(lcm, d);
    Integer part = d;
    part.DivideExact(g);
    lcm *= part;
  }
  out.values.reserve(fractions.size());
  for (const Fraction& f : fractions) {
    Integer v = lcm;
    v.DivideExact(Integer(f.denominator));
    v *= Integer(f.numerator);
    out.values.push_back(std::move(v));
  }
  // The smallest whole numbers in these proportions.
  Integer g(0);
  for (const Integer& v : out.values) g = Gcd(g, v);
  if (g.Sign() > 0 && !g.IsOne()) {
    for (Integer& v : out.values) v.DivideExact(g);
  }
  return out;
}

Integer FloorDivide(const Integer& a, const Integer& b) {
  if (a.IsSmall() && b.IsSmall()) return Integer(a.Small() / b.Small());
  Mpz x(a), y(b), q;
  mpz_fdiv_q(q.value, x.value, y.value);
  return FromMpz(q.value);
}

CertificateChecker::CertificateChecker(const TokenNet& net)
    : net_(net),
      position_(static_cast<std::size_t>(net.Places()) + 1, -1),
      stamp_(static_cast<std::size_t>(std::max(net.Places(), net.Transitions())) + 1, 0) {}

bool CertificateChecker::IsWeighting(const SparseVector& y, const std::function<bool(int32_t)>& counts) {
  ++check_;
  bool ok = true;
  for (std::size_t i = 0; i < y.nodes.size(); ++i) {
    if (y.values[i].Sign() <= 0) ok = false;
    position_[static_cast<std::size_t>(y.nodes[i])] = static_cast<int32_t>(i);
  }
  for (std::size_t i = 0; ok && i < y.nodes.size(); ++i) {
    for (const Weighted& arc : net_.Row(y.nodes[i])) {
      const int32_t t = arc.node;
      if (stamp_[static_cast<std::size_t>(t)] == check_) continue;
      stamp_[static_cast<std::size_t>(t)] = check_;
      if (counts && !counts(t)) continue;
      Integer sum(0);
      for (const Weighted& entry : net_.Column(t)) {
        const int32_t k = position_[static_cast<std::size_t>(entry.node)];
        if (k >= 0) sum += y.values[static_cast<std::size_t>(k)] * Integer(entry.weight);
      }
      if (sum.Sign() > 0) {
        ok = false;
        break;
      }
    }
  }
  for (int32_t p : y.nodes) position_[static_cast<std::size_t>(p)] = -1;
  return ok;
}

Integer CertificateChecker::Weigh(const SparseVector& y) const {
  Integer sum(0);
  for (std::size_t i = 0; i < y.nodes.size(); ++i) {
    const int64_t marking = net_.Marking(y.nodes[i]);
    if (marking != 0) sum += y.values[i] * Integer(marking);
  }
  return sum;
}

std::vector<int32_t> CertificateChecker::RayGains(const SparseVector& s) {
  ++check_;
  std::vector<int32_t> places;
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    if (s.values[i].Sign() <= 0) return {};
    for (const Weighted& entry : net_.Column(s.nodes[i])) {
      if (stamp_[static_cast<std::size_t>(entry.node)] == check_) continue;
      stamp_[static_cast<std::size_t>(entry.node)] = check_;
      places.push_back(entry.node);
    }
  }
  // (C.s)_q for every place q the counts touch, through its row.
  std::vector<int32_t> gains;
  if (count_of_.empty()) count_of_.assign(static_cast<std::size_t>(net_.Transitions()) + 1, -1);
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    count_of_[static_cast<std::size_t>(s.nodes[i])] = static_cast<int32_t>(i);
  }
  std::sort(places.begin(), places.end());
  bool nonnegative = true;
  for (int32_t q : places) {
    Integer sum(0);
    for (const Weighted& entry : net_.Row(q)) {
      const int32_t k = count_of_[static_cast<std::size_t>(entry.node)];
      if (k >= 0) sum += s.values[static_cast<std::size_t>(k)] * Integer(entry.weight);
    }
    if (sum.Sign() < 0) {
      nonnegative = false;
      break;
    }
    if (sum.Sign() > 0) gains.push_back(q);
  }
  for (int32_t t : s.nodes) count_of_[static_cast<std::size_t>(t)] = -1;
  if (!nonnegative) gains.clear();
  return gains;
}

}  // namespace vantira
