#include "sbom/json_text.h"

#include <time.h>

#include "base/output.h"

namespace zps {

namespace {

// Returns the length of the well-formed UTF-8 sequence at the start of
// `text` (1 to 4), or, when there is none, the negated length of its
// maximal subpart (the lead byte and the continuation bytes that could
// still have completed it; at least 1), which Unicode replaces by one
// U+FFFD.
int utf8_sequence(std::string_view text) {
  const auto byte = [&](size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    return 1;
  }
  int length = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    const bool fits = static_cast<size_t>(i) < text.size() &&
                      byte(i) >= (i == 1 ? low : 0x80) &&
                      byte(i) <= (i == 1 ? high : 0xBF);
    if (!fits) {
      return -i;
    }
  }
  return length;
}

}  // namespace

std::string json_escape(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size();) {
    const int sequence = utf8_sequence(text.substr(i));
    if (sequence < 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for bytes that are not UTF-8
      i += static_cast<size_t>(-sequence);
      continue;
    }
    if (sequence > 1) {
      out.append(text.substr(i, static_cast<size_t>(sequence)));
      i += static_cast<size_t>(sequence);
      continue;
    }
    const char c = text[i++];
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

std::optional<std::string> epoch_timestamp(std::string_view seconds) {
  if (seconds.empty()) {
    return std::nullopt;
  }
  std::time_t when = 0;
  for (char c : seconds) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    when = when * 10 + (c - '0');
    if (when > kLatestTimestamp) {
      return std::nullopt;
    }
  }
  return format_utc_timestamp(when);
}

}  // namespace zps
