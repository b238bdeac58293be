#include "packages/pkg_encoding.h"

#include "base/hex.h"

namespace zps {
namespace {

constexpr std::string_view kBase32Alphabet = "ybndrfg8ejkmcpqxot1uwisza345h769";

}  // namespace

std::string percent_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        hex_digit_value(text[i + 1]) >= 0 &&
        hex_digit_value(text[i + 2]) >= 0) {
      out += static_cast<char>(hex_digit_value(text[i + 1]) * 16 +
                               hex_digit_value(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<std::string> decode_pkg_base32(std::string_view text,
                                             size_t size) {
  const size_t bits = 8 * size;
  if (text.size() != (bits + 4) / 5) {
    return std::nullopt;
  }
  std::string out(size, '\0');
  size_t bit = 0;
  for (char c : text) {
    size_t value = kBase32Alphabet.find(c);
    if (value == std::string_view::npos) {
      return std::nullopt;
    }
    for (int k = 0; k < 5; ++k, ++bit) {
      const bool set = (value >> k) & 1;
      if (bit >= bits) {
        if (set) {
          return std::nullopt;  // stray bits past the end
        }
        continue;
      }
      if (set) {
        out[bit / 8] = static_cast<char>(
            static_cast<unsigned char>(out[bit / 8]) | (1u << (bit % 8)));
      }
    }
  }
  return out;
}

}  // namespace zps
