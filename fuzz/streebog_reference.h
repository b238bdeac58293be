#pragma once

#include <string>
#include <string_view>

namespace zps {

// Streebog-256 computed plainly from the definitions of RFC 6986: the
// substitution, the byte transposition and the linear map bit by bit, with
// no precomputed tables. Slow; an independent check for the fuzzer.
// Returns the 32 digest bytes in the order the tool's implementation
// writes them.
std::string reference_streebog256(std::string_view message);

}  // namespace zps
