#include "base/memory.h"

#include <cstdlib>

namespace zps {

bool can_allocate(size_t bytes) {
  void* block = std::malloc(bytes);
  // The compiler may drop a malloc whose block is only freed; an opaque use
  // keeps the allocation real.
  asm volatile("" : : "r"(block) : "memory");
  std::free(block);
  return block != nullptr;
}

}  // namespace zps
