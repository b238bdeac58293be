#pragma once

#include <cstdint>

// The compression function of Streebog, exposed for the unit tests only: the
// x86-64 build computes it with hand-scheduled SSE2 code and every other build
// with portable code, and the tests check the two against each other.

namespace zps {

// h = g_N(h, m), the compression function of GOST R 34.11-2012, computed the
// way streebog256_update computes it on this machine. Each argument is eight
// words, least significant first; `h` may not alias `n` or `m`.
void streebog_compress(std::uint64_t* h, const std::uint64_t* n,
                       const std::uint64_t* m);

// The same function computed by the portable code, whatever the machine.
void streebog_compress_portable(std::uint64_t* h, const std::uint64_t* n,
                                const std::uint64_t* m);

// True when streebog_compress uses the x86-64 code rather than the portable
// code.
bool streebog_uses_x86_64_code();

}  // namespace zps
