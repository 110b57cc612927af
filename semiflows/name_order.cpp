#include "semiflows/name_order.h"

#include <algorithm>
#include <numeric>

namespace vantira {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// -1, 0 or 1 as a comes before b, ties with b, or after it, digits as numbers.
int Natural(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && a[ei] == '0') ++ei;
      while (ej < b.size() && b[ej] == '0') ++ej;
      std::size_t di = ei, dj = ej;
      while (di < a.size() && IsDigit(a[di])) ++di;
      while (dj < b.size() && IsDigit(b[dj])) ++dj;
      // Without leading zeros, the longer number is the larger.
      if (di - ei != dj - ej) return di - ei < dj - ej ? -1 : 1;
      const int c = a.substr(ei, di - ei).compare(b.substr(ej, dj - ej));
      if (c != 0) return c < 0 ? -1 : 1;
      i = di;
      j = dj;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return 0;
}

}  // namespace

bool NameBefore(std::string_view a, std::string_view b) {
  const int c = Natural(a, b);
  return c != 0 ? c < 0 : a < b;
}

std::vector<int32_t> BasisOrder(const NetStore& store, const SparseSystem& system, bool places) {
  std::vector<int32_t> order(static_cast<std::size_t>(system.variables));
  std::iota(order.begin(), order.end(), 0);
  const auto name = [&store, places](int32_t v) {
    return places ? store.PlaceName(v + 1) : store.TransitionName(v + 1);
  };
  const auto degree = [&system](int32_t v) { return system.start[v + 1] - system.start[v]; };
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    const int64_t da = degree(a), db = degree(b);
    return da != db ? da > db : NameBefore(name(a), name(b));
  });
  return order;
}

std::vector<int32_t> NameOrder(const NetStore& store, const SparseSystem& system, bool places) {
  std::vector<int32_t> order(static_cast<std::size_t>(system.variables));
  std::iota(order.begin(), order.end(), 0);
  const auto name = [&store, places](int32_t v) {
    return places ? store.PlaceName(v + 1) : store.TransitionName(v + 1);
  };
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return NameBefore(name(a), name(b)); });
  return order;
}

}  // namespace vantira
