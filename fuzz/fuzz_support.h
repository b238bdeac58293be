#pragma once

#include <cstdio>
#include <cstdlib>

namespace zps {

// Stops the fuzzer at a property that does not hold.
inline void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
  }
}

}  // namespace zps
