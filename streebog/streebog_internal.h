#pragma once

#include <cstdint>
#include <cstring>

#include "streebog/streebog.h"

// The compression function of Streebog, shared by the portable code and the
// x86-64 code (streebog_x86_64.cc) and exposed to the unit tests, which check
// the two against each other.

namespace zps {

using StreebogWord = std::uint64_t;

// h = g_N(h, m), the compression function of GOST R 34.11-2012, computed the
// way streebog256_update computes it on this machine. Each argument is eight
// words, least significant first; `h` may not alias `n` or `m`.
void streebog_compress(StreebogWord* h, const StreebogWord* n,
                       const StreebogWord* m);

// The same function computed by the portable code, whatever the machine.
void streebog_compress_portable(StreebogWord* h, const StreebogWord* n,
                                const StreebogWord* m);

// True when streebog_compress uses the x86-64 code rather than the portable
// code.
bool streebog_uses_x86_64_code();

// The rounds of g_N with `xlps` as the LPS step. The standard's order is
// K_1 = LPS(h ^ N), t_1 = LPS(K_1 ^ m), then K_{i+1} = LPS(K_i ^ C_i) and
// t_{i+1} = LPS(K_{i+1} ^ t_i), and finally K_13 ^ t_12. Here each round
// computes K_{i+1} = LPS(K_i ^ C_i) into the second of two K buffers and then
// t_i = LPS(K_i ^ t_{i-1}) with t_0 = m, the same values in an order where no
// LPS needs the result of the one just before it: the processor can overlap
// each with its predecessor.
template <void (*xlps)(const StreebogWord*, const StreebogWord*, StreebogWord*)>
[[gnu::always_inline]] inline void compress_with(StreebogWord* h,
                                                 const StreebogWord* n,
                                                 const StreebogWord* m) {
  const auto& c = kStreebogIterationConstants;
  alignas(16) StreebogWord k_a[8];
  alignas(16) StreebogWord k_b[8];
  alignas(16) StreebogWord t[8];
  std::memcpy(t, m, sizeof t);
  xlps(h, n, k_a);
  StreebogWord* k = k_a;
  StreebogWord* k_next = k_b;
  // Kept as a loop: unrolled, the code outgrows the processor's cache of
  // decoded instructions and runs slower.
#pragma GCC unroll 1
  for (int i = 0; i < 12; ++i) {
    xlps(k, c[i].data(), k_next);
    xlps(k, t, t);
    StreebogWord* const done = k;
    k = k_next;
    k_next = done;
  }
  for (int i = 0; i < 8; ++i) {
    h[i] ^= k[i] ^ t[i] ^ m[i];
  }
}

}  // namespace zps
