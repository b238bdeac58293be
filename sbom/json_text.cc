#include "sbom/json_text.h"

#include <time.h>

#include "base/output.h"

namespace zps {

std::string json_escape(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out;
}

void write_json_string(std::FILE* out, std::string_view value) {
  write_text(out, "\"");
  write_text(out, json_escape(value));
  write_text(out, "\"");
}

bool is_absolute_url(std::string_view text) {
  const size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0 ||
      colon + 3 == text.size()) {
    return false;
  }
  for (size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' ||
                                c == '-' || c == '.'))) {
      return false;
    }
  }
  return true;
}

std::string spdx_id(std::string_view name) {
  std::string id = "SPDXRef-";
  id.reserve(id.size() + name.size());
  for (char c : name) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                      (c >= '0' && c <= '9') || c == '-' || c == '.';
    id += kept ? c : '-';
  }
  return id;
}

std::string format_utc_timestamp(std::time_t when) {
  struct tm fields;
  if (gmtime_r(&when, &fields) == nullptr) {
    return {};
  }
  char text[32];
  size_t n = strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &fields);
  return std::string(text, n);
}

std::string utc_timestamp() {
  return format_utc_timestamp(std::time(nullptr));
}

}  // namespace zps
