#pragma once

#include <string>
#include <string_view>

namespace zps {

// Returns `bytes` in the package tool's base32: one little-endian bit
// stream, five bits per character from the low end, alphabet
// "ybndrfg8ejkmcpqxot1uwisza345h769". For writing test inputs.
inline std::string encode_pkg_base32(std::string_view bytes) {
  static const char kAlphabet[] = "ybndrfg8ejkmcpqxot1uwisza345h769";
  std::string out;
  const size_t bits = bytes.size() * 8;
  for (size_t start = 0; start < bits; start += 5) {
    unsigned value = 0;
    for (size_t k = 0; k < 5 && start + k < bits; ++k) {
      const size_t bit = start + k;
      value |= ((static_cast<unsigned char>(bytes[bit / 8]) >> (bit % 8)) & 1u)
               << k;
    }
    out += kAlphabet[value];
  }
  return out;
}

}  // namespace zps
