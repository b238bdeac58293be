#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// A stream that discards what is written, for messages the targets ignore.
inline std::FILE* null_stream() {
  static std::FILE* stream = std::fopen("/dev/null", "w");
  return stream;
}

// Splits `data` at NUL bytes into at most `max_parts` parts.
inline std::vector<std::string> split_at_nul(std::string_view data,
                                             size_t max_parts) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < max_parts) {
    size_t nul = data.find('\0', start);
    if (nul == std::string_view::npos) {
      break;
    }
    parts.emplace_back(data.substr(start, nul - start));
    start = nul + 1;
  }
  parts.emplace_back(data.substr(start));
  return parts;
}

// Stops the fuzzer at a property that does not hold.
inline void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
  }
}

}  // namespace zps
