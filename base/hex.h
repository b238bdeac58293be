#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zps {

// Returns the value of the hex digit `c` (either case), or -1 when it is
// none.
int hex_digit_value(char c);

// Writes the `size` bytes at `bytes` as 2 * `size` lower-case hex digits to
// `out`, high four bits first. Writes no terminator.
void write_hex(const std::uint8_t* bytes, size_t size, char* out);

// Returns `bytes` as lower-case hex.
std::string hex_text(std::string_view bytes);

// Returns `text` with every byte %-encoded as "%XX" (upper-case hex) but
// ASCII letters, digits and the bytes of `kept`.
std::string percent_encoded(std::string_view text, std::string_view kept);

}  // namespace zps
