// json_escape: the output holds no raw byte below 0x20 and no bare quote
// or backslash, and decoding it gives the input back.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "sbom/json_text.h"

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

// Decodes the escapes json_escape writes; anything else fails the property.
std::string decode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    zps::require(c >= 0x20 && c != '"', "no raw control byte or quote");
    if (c != '\\') {
      out += text[i];
      continue;
    }
    zps::require(i + 1 < text.size(), "no bare backslash at the end");
    const char e = text[++i];
    if (e == 't' || e == 'n' || e == 'r' || e == '"' || e == '\\') {
      out += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
      continue;
    }
    zps::require(e == 'u' && i + 4 < text.size() && text[i + 1] == '0' &&
                     text[i + 2] == '0' && hex_value(text[i + 3]) >= 0 &&
                     hex_value(text[i + 4]) >= 0,
                 "only \\u00xx escapes");
    out +=
        static_cast<char>(hex_value(text[i + 3]) * 16 + hex_value(text[i + 4]));
    i += 4;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  zps::require(decode(zps::json_escape(input)) == input, "escape round trip");
  return 0;
}
