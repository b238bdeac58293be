#include "base/keyed_hash.h"

#include <string.h>
#include <sys/random.h>
#include <time.h>

namespace zps {
namespace {

uint64_t mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return x;
}

// mix alone is invertible: the key is what makes the slots of a set of
// strings unforeseeable.
uint64_t run_key() {
  static const uint64_t key = [] {
    uint64_t k = 0;
    if (getrandom(&k, sizeof k, 0) != static_cast<ssize_t>(sizeof k)) {
      // No entropy to be had: the clock and an address still vary.
      k = static_cast<uint64_t>(time(nullptr)) ^
          reinterpret_cast<uintptr_t>(&k);
    }
    return mix(k);
  }();
  return key;
}

}  // namespace

uint64_t keyed_hash(std::string_view bytes) {
  const uint64_t key = run_key();
  uint64_t h = key ^ bytes.size();
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    memcpy(&word, bytes.data() + i, 8);
    h = mix(h ^ word) + key;
  }
  uint64_t tail = 0;
  if (i < bytes.size()) {
    memcpy(&tail, bytes.data() + i, bytes.size() - i);
  }
  return mix(mix(h ^ tail) ^ key);
}

}  // namespace zps
