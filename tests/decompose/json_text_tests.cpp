#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decompose/json_text.h"

using namespace vantira;

namespace {

std::string Json(std::string_view bytes) {
  Output out;
  PutJsonString(bytes, out);
  return std::string(out.Text());
}

// The rule worked out another way: decode a code point and check its range.
std::string Reference(std::string_view bytes) {
  std::string json = "\"";
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t length = c < 0x80 ? 1 : c >> 5 == 6 ? 2 : c >> 4 == 14 ? 3 : c >> 3 == 30 ? 4 : 0;
    uint32_t code = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
    for (std::size_t j = 1; j < length; ++j) {
      const auto d = static_cast<unsigned char>(i + j < bytes.size() ? bytes[i + j] : 0);
      if (d >> 6 != 2) length = 0;
      code = code << 6 | (d & 0x3F);
    }
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (length == 0 || code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      json += escape;
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c < 0x20) {
      static const std::string kShort[] = {"b", "t", "n", "", "f", "r"};
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      json += c >= 8 && c <= 13 && !kShort[c - 8].empty() ? "\\" + kShort[c - 8] : std::string(escape);
    } else {
      json.append(bytes.substr(i, length));
    }
    i += length;
  }
  return json + "\"";
}

}  // namespace

// Names of every kind of byte, read from the store up to their NUL 8 bytes at
// a time with the next name's bytes behind it, are the end-to-end case
// json-names-escaped and e2e_json's nets of odd names and corpus; here every
// byte at every place of an 8-byte load, against a decoder of its own.
TEST(PutJsonString, AgreesWithADecoderOnRandomBytes) {
  std::mt19937 random(15);
  // Bytes drawn mostly from the places where the rules change.
  static constexpr char kPool[] = "\0\x01\x1f \"\\az\x7f\x80\x8f\x90\x9f\xa0\xbf\xc0\xc1\xc2\xdf\xe0\xed\xef\xf0\xf4\xf5\xff";
  const std::string pool(kPool, sizeof kPool - 1);
  for (int round = 0; round < 20000; ++round) {
    // Sparse odd bytes too, or the 8-byte test of plain names goes untried.
    const unsigned odd = 1 + round % 16;
    std::string bytes(random() % 24, ' ');
    for (char& c : bytes) {
      const unsigned draw = random() % 32;
      c = draw >= odd ? static_cast<char>('a' + draw % 26) : draw % 2 ? static_cast<char>(random()) : pool[random() % pool.size()];
    }
    ASSERT_EQ(Json(bytes), Reference(bytes)) << testing::PrintToString(bytes);
  }
}
