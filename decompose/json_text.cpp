#include "decompose/json_text.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace vantira {

namespace {

// Bytes that stand for themselves in a JSON string and in UTF-8: printable
// ASCII but the quote and the backslash (DEL needs no escape either).
constexpr std::array<bool, 256> kPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
  return plain;
}();

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

uint64_t Load64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Nonzero when one of the 8 bytes of `v` is below 0x20, '"', '\\', or 0x80
// and above.
uint64_t NeedsLook(uint64_t v) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  auto has_zero = [](uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  return (v | has_zero(v ^ (kOnes * '"')) | has_zero(v ^ (kOnes * '\\')) | ((v - kOnes * 0x20) & ~v)) & kHigh;
}

// True when every byte stands for itself; most names are plain ASCII, and
// 8 bytes at a time (the last load overlapping) keep them off the byte loop.
bool AllPlain(std::string_view bytes) {
  const char* p = bytes.data();
  const std::size_t size = bytes.size();
  if (size < 8) {
    for (char c : bytes) {
      if (!kPlain[static_cast<unsigned char>(c)]) return false;
    }
    return true;
  }
  uint64_t look = NeedsLook(Load64(p + size - 8));
  for (std::size_t i = 0; i + 8 < size; i += 8) look |= NeedsLook(Load64(p + i));
  return look == 0;
}

void PutEscapedByte(unsigned char c, Output& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  switch (c) {
    case '"':
      out.Put("\\\"");
      return;
    case '\\':
      out.Put("\\\\");
      return;
    case '\b':
      out.Put("\\b");
      return;
    case '\t':
      out.Put("\\t");
      return;
    case '\n':
      out.Put("\\n");
      return;
    case '\f':
      out.Put("\\f");
      return;
    case '\r':
      out.Put("\\r");
      return;
    default:
      const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      out.Put(std::string_view(escape, sizeof escape));
  }
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view bytes) {
  if (bytes.empty()) return 0;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char lead = b[0];
  if (lead < 0x80) return 1;
  // The lead byte gives the length and the range of the second byte, which
  // is where overlong forms, surrogates and code points above 10FFFF show.
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0xC2) {
    return 0;  // a continuation byte, or an overlong two-byte form
  } else if (lead < 0xE0) {
    length = 2;
  } else if (lead < 0xF0) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead < 0xF5) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length || b[1] < low || b[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(b[i])) return 0;
  }
  return length;
}

void PutJsonName(const char* name, Output& out) {
  if constexpr (std::endian::native == std::endian::little) {
    // The lowest flagged byte of a word is exact (a borrow only runs
    // upwards), and a NUL is flagged like any byte below 0x20: a plain name
    // ends at the first flagged byte, which is its NUL.
    for (std::size_t i = 0;; i += 8) {
      const uint64_t look = NeedsLook(Load64(name + i));
      if (look == 0) continue;
      const std::size_t end = i + static_cast<std::size_t>(__builtin_ctzll(look)) / 8;
      if (name[end] != '\0') break;
      out.Put('"');
      out.Put(std::string_view(name, end));
      out.Put('"');
      return;
    }
  }
  PutJsonString(name, out);
}

void PutJsonString(std::string_view bytes, Output& out) {
  out.Put('"');
  if (AllPlain(bytes)) {
    out.Put(bytes);
    out.Put('"');
    return;
  }
  std::size_t done = 0;  // bytes before it are written
  std::size_t i = 0;
  const std::size_t size = bytes.size();
  while (i < size) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (kPlain[c]) {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const std::size_t length = Utf8SequenceLength(bytes.substr(i));
      if (length != 0) {
        i += length;
        continue;
      }
    }
    out.Put(bytes.substr(done, i - done));
    PutEscapedByte(c, out);
    done = ++i;
  }
  out.Put(bytes.substr(done));
  out.Put('"');
}

}  // namespace vantira
