#include "base/hex.h"

namespace zps {

int hex_digit_value(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

void write_hex(const std::uint8_t* bytes, size_t size, char* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0x0f];
  }
}

std::string hex_text(std::string_view bytes) {
  std::string out(2 * bytes.size(), '\0');
  write_hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
            out.data());
  return out;
}

std::string percent_encoded(std::string_view text, std::string_view kept) {
  static constexpr char kUpperHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
        (c >= '0' && c <= '9') || kept.find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kUpperHex[static_cast<unsigned char>(c) >> 4];
      out += kUpperHex[static_cast<unsigned char>(c) & 0x0f];
    }
  }
  return out;
}

}  // namespace zps
