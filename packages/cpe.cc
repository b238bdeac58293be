#include "packages/cpe.h"

#include <vector>

#include "base/ascii.h"

namespace zps {
namespace {

constexpr std::string_view kPrefix = "cpe:2.3:";
constexpr size_t kAttributes = 11;
constexpr size_t kPart = 0;
constexpr size_t kProduct = 2;
constexpr size_t kLang = 6;

// The bytes a value holds bare: ALPHA, DIGIT, "-", "." and "_".
bool is_unreserved(char c) {
  return is_ascii_alpha(c) || is_ascii_digit(c) || c == '-' || c == '.' ||
         c == '_';
}

// The punctuation a value may hold only after a "\", "*" and "?" included.
bool is_escapable(char c) {
  return c > ' ' && c < 0x7F && !is_unreserved(c);
}

// Splits the attributes at every ":" that no "\" escapes; an escape is
// kept with the byte after it.
std::vector<std::string_view> split_attributes(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == ':') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

// One byte of a value, and whether a "\" escaped it.
struct ValueByte {
  char c;
  bool escaped;
};

// Returns the value as the formatted string writes it, or nothing when the
// grammar has no such value.
std::optional<std::string> normalised_value(std::string_view value) {
  if (value.empty() || value == "*" || value == "-") {
    return std::string(value.empty() ? "*" : value);
  }
  std::vector<ValueByte> bytes;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      bytes.push_back({value[i], false});
    } else if (++i < value.size()) {
      bytes.push_back({value[i], true});
    } else {
      return std::nullopt;  // an escape of nothing
    }
  }
  auto is_wildcard = [&](size_t i, char c) {
    return !bytes[i].escaped && bytes[i].c == c;
  };
  // A wildcard is one "*" or a run of "?", only before or after the body.
  size_t lead = 0;
  if (is_wildcard(0, '*')) {
    lead = 1;
  } else {
    while (lead < bytes.size() && is_wildcard(lead, '?')) {
      ++lead;
    }
  }
  size_t tail = bytes.size();
  if (tail > lead && is_wildcard(tail - 1, '*')) {
    --tail;
  } else {
    while (tail > lead && is_wildcard(tail - 1, '?')) {
      --tail;
    }
  }
  if (lead == tail) {
    return std::nullopt;  // wildcards without a body
  }
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto [c, escaped] = bytes[i];
    const bool body = i >= lead && i < tail;
    if (body && !escaped && (c == '*' || c == '?')) {
      return std::nullopt;  // a wildcard inside the body
    }
    if (escaped && (is_ascii_alpha(c) || is_ascii_digit(c))) {
      return std::nullopt;
    }
    if (!is_unreserved(c) && !is_escapable(c)) {
      return std::nullopt;  // a space, control byte or byte above 0x7E
    }
    // Bare punctuation is escaped; an escaped "-", "." or "_" goes bare.
    if (body && is_escapable(c)) {
      out += '\\';
    }
    out += c;
  }
  return out;
}

// Two or three letters, then optionally "-" and two letters or three
// digits.
bool is_language_tag(std::string_view tag) {
  size_t letters = 0;
  while (letters < tag.size() && is_ascii_alpha(tag[letters])) {
    ++letters;
  }
  if (letters < 2 || letters > 3) {
    return false;
  }
  std::string_view region = tag.substr(letters);
  if (region.empty()) {
    return true;
  }
  if (region.size() == 3 && region[0] == '-') {
    return is_ascii_alpha(region[1]) && is_ascii_alpha(region[2]);
  }
  return region.size() == 4 && region[0] == '-' && is_ascii_digit(region[1]) &&
         is_ascii_digit(region[2]) && is_ascii_digit(region[3]);
}

}  // namespace

std::optional<std::string> cpe23_formatted_string(std::string_view name) {
  if (name.substr(0, kPrefix.size()) != kPrefix) {
    return std::nullopt;
  }
  std::vector<std::string_view> attributes =
      split_attributes(name.substr(kPrefix.size()));
  if (attributes.size() > kAttributes) {
    return std::nullopt;
  }
  std::string out(kPrefix);
  for (size_t i = 0; i < kAttributes; ++i) {
    std::optional<std::string> value =
        normalised_value(i < attributes.size() ? attributes[i] : "");
    if (!value) {
      return std::nullopt;
    }
    const bool logical = *value == "*" || *value == "-";
    if ((i == kPart && !logical && *value != "a" && *value != "o" &&
         *value != "h") ||
        (i == kProduct && logical) ||
        (i == kLang && !logical && !is_language_tag(*value))) {
      return std::nullopt;
    }
    out += i == 0 ? "" : ":";
    out += *value;
  }
  return out;
}

}  // namespace zps
