#pragma once

#include <string>
#include <string_view>

namespace zps {

// ASCII classes and case of single bytes, the same in every locale (the C
// library's depend on it); every byte outside ASCII is in no class and has
// no case.

// True for the digits 0-9.
inline bool is_ascii_digit(char c) {
  return c >= '0' && c <= '9';
}

// True for the letters A-Z and a-z.
inline bool is_ascii_alpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Returns `c` lowered when it is one of A-Z, else `c` unchanged.
inline char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Returns `text` with A-Z lowered and every other byte as it is.
inline std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = ascii_lower(c);
  }
  return out;
}

// True when every byte of `text` is one of 0-9 (so also when it is empty).
inline bool is_all_digits(std::string_view text) {
  for (char c : text) {
    if (!is_ascii_digit(c)) {
      return false;
    }
  }
  return true;
}

}  // namespace zps
