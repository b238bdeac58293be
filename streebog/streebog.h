#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Streebog, the hash function of GOST R 34.11-2012 (RFC 6986), with the
// 256-bit result the tool uses and the 512-bit one beside it.
//
// Every 512-bit quantity (chaining value, counters, message blocks, constants)
// is eight unsigned 64-bit words, least significant word first, and each word
// is little-endian: byte k of a 64-byte block is bits 8k to 8k+7 of the
// number. The first byte of the message is thus the least significant byte of
// the first block, which is the byte convention of the standard. RFC 6986
// prints its messages and hash values as big-endian numbers, so its written
// hexadecimal is the byte order used here read backwards.
//
// The step LPS of the standard (substitution pi, byte transposition, linear
// map L) is computed from eight precomputed tables: 64 table reads and XORs
// per step, no transposition or bit matrix at run time.

namespace zps {

// The state of one Streebog computation. A plain value that owns nothing; it
// may be copied, and a copy continues independently.
struct Streebog256 {
  // Bytes of a partial block waiting for more input; the first `bufsize` are
  // valid.
  std::uint8_t buffer[64];
  // Chaining value.
  std::uint64_t h[8];
  // Number of message bits compressed so far, modulo 2^512 (N of the
  // standard).
  std::uint64_t n[8];
  // Sum of all message blocks compressed so far, modulo 2^512 (Sigma of the
  // standard).
  std::uint64_t sigma[8];
  // Number of valid bytes in `buffer`: 0 to 63 between calls.
  std::uint64_t bufsize;
  // 256 or 512.
  std::uint32_t digest_size;
};

// Sets every byte of `*ctx` to zero, stores `digest_size` and sets the chaining
// value to the initialisation vector: 64 bytes of 0x01 for a digest size of
// 256, 64 zero bytes for any other value (the 512-bit variant).
// Requires: ctx != nullptr; digest_size is 256 or 512.
void streebog256_init(Streebog256* ctx, std::uint32_t digest_size);

// Absorbs the `length` bytes at `data`. May be called any number of times;
// the digest does not depend on how the message is split between calls.
// Full 64-byte blocks are compressed at once, so `bufsize` stays below 64.
// Requires: ctx was initialised; data points to `length` bytes (it may be
// null when `length` is 0).
void streebog256_update(Streebog256* ctx, const void* data, std::size_t length);

// Completes the hash and writes the digest to `out`: for a digest size of 256
// the 32 bytes of words 4 to 7 of the final chaining value (its bytes 32 to
// 63), for 512 all 64 bytes. Leaves `bufsize` at zero and the finished state
// in the other fields; initialise again before reusing the context.
// Requires: ctx was initialised; out holds 32 bytes (256) or 64 bytes (512).
void streebog256_final(Streebog256* ctx, std::uint8_t* out);

// Sets every byte of `*ctx` to zero, in a way the compiler does not drop as a
// dead store.
void streebog256_clear(Streebog256* ctx);

// Hashes the whole regular file at `path`, following symbolic links. On
// success writes the 64 lower-case hexadecimal characters of the 256-bit
// digest (the digest bytes in the order the algorithm produces them, each as
// its high then its low four bits) and a NUL to `out`, and returns 0.
// Returns -1, leaving `out` untouched, when the path cannot be opened, names
// anything but a regular file (directory, FIFO, device, socket; none of them
// is waited on), or a read fails. Prints nothing, allocates no heap memory,
// and closes the file on every path.
// Requires: path is NUL-terminated; out holds at least 65 characters.
[[nodiscard]] int streebog256_file(const char* path, char* out);

// Entry b of table j is the linear map L of the standard applied to the
// 64-bit word whose byte j is pi(b) and whose other bytes are zero. The eight
// tables are contiguous, 16 KiB in all, aligned to 64 bytes. Built at compile
// time from pi and the matrix A of RFC 6986.
alignas(64) extern const
    std::array<std::array<std::uint64_t, 256>, 8> kStreebogLpsTables;

// The iteration constants C1 to C12 of the standard, each as eight words,
// least significant word first.
extern const std::array<std::array<std::uint64_t, 8>, 12>
    kStreebogIterationConstants;

}  // namespace zps
