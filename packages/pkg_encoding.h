#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zps {

// Returns `text` with every "%" followed by two hex digits (either case)
// replaced by that byte, as the package tool writes file paths and
// descriptions (bytes 0x80-0xFF and "%" encoded). A "%" without two hex
// digits after it stays as it is.
std::string percent_decode(std::string_view text);

// Returns the `size` bytes that the package tool's base32 text `text`
// encodes (alphabet "ybndrfg8ejkmcpqxot1uwisza345h769", five bits per
// character taken from the low end of a little-endian bit stream), or
// nothing when `text` is not exactly such an encoding: ceil(8 * size / 5)
// characters of the alphabet, the bits past the last byte all zero.
std::optional<std::string> decode_pkg_base32(std::string_view text,
                                             size_t size);

}  // namespace zps
