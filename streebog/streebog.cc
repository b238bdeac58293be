// Streebog: the portable compression step, the block and padding steps,
// and the file-level digest.
//
// The time goes into LPS: 25 of them per 64-byte block, each 64 table reads
// and 64 XORs. The eight output words are computed together: every input
// word, XORed with its operand as it is loaded, feeds one read into each of
// eight independent XOR chains. K and t stay in the compression function's
// locals for all twelve rounds, and the rounds are ordered so that no LPS
// waits for the one just before it.

#include "streebog/streebog.h"

#include <errno.h>
#include <strings.h>
#include <unistd.h>

#include <bit>
#include <cstring>

#include "base/files.h"
#include "base/hex.h"
#include "streebog/streebog_internal.h"

namespace zps {
namespace {

using Word = StreebogWord;

constexpr std::size_t kBlockSize = 64;
constexpr std::size_t kReadSize = 65536;
constexpr Word kZeroBlock[8] = {};

// Converts between a little-endian word in memory and its value; the same
// byte reversal serves both ways.
inline Word little_endian(Word w) {
  if constexpr (std::endian::native == std::endian::big) {
    w = ((w & 0x00ff00ff00ff00ffULL) << 8) | ((w >> 8) & 0x00ff00ff00ff00ffULL);
    w = ((w & 0x0000ffff0000ffffULL) << 16) |
        ((w >> 16) & 0x0000ffff0000ffffULL);
    w = (w << 32) | (w >> 32);
  }
  return w;
}

// Reads 64 bytes at `p`, which need not be aligned, into eight words.
inline void load_block(const std::uint8_t* p, Word out[8]) {
  std::memcpy(out, p, kBlockSize);
  for (int i = 0; i < 8; ++i) {
    out[i] = little_endian(out[i]);
  }
}

// Writes `count` words to `out` as little-endian bytes.
inline void store_words(const Word* words, int count, std::uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    const Word w = little_endian(words[i]);
    std::memcpy(out + 8 * i, &w, sizeof w);
  }
}

// Keeps the compiler from folding a chain of 16-bit shifts back into one
// shift per byte: with the chain, one shift yields two indices (the low byte
// and the byte above it).
#define ZPS_OPAQUE(v) asm("" : "+r"(v))

// `out` = LPS(`x` XOR `y`): output word i is the XOR over j of table j at
// byte i of (x[j] XOR y[j]). `out` may be `x` or `y`: every input word is
// read before the first output word is written.
[[gnu::always_inline]] inline void xlps_portable(const Word* x, const Word* y,
                                                 Word* out) {
  const Word* t = kStreebogLpsTables[0].data();
  Word o[8] = {};
#pragma GCC unroll 8
  for (int j = 0; j < 8; ++j) {
    const Word* tj = t + 256 * j;
    Word r = x[j] ^ y[j];
    o[0] ^= tj[r & 0xff];
    o[1] ^= tj[(r >> 8) & 0xff];
    r >>= 16;
    ZPS_OPAQUE(r);
    o[2] ^= tj[r & 0xff];
    o[3] ^= tj[(r >> 8) & 0xff];
    r >>= 16;
    ZPS_OPAQUE(r);
    o[4] ^= tj[r & 0xff];
    o[5] ^= tj[(r >> 8) & 0xff];
    r >>= 16;
    ZPS_OPAQUE(r);
    o[6] ^= tj[r & 0xff];
    o[7] ^= tj[r >> 8];
  }
  std::memcpy(out, o, sizeof o);
}

}  // namespace

void streebog_compress_portable(Word* h, const Word* n, const Word* m) {
  compress_with<xlps_portable>(h, n, m);
}

#if !defined(__x86_64__)

void streebog_compress(Word* h, const Word* n, const Word* m) {
  streebog_compress_portable(h, n, m);
}

bool streebog_uses_x86_64_code() {
  return false;
}

#endif

namespace {

// a = a + b modulo 2^512.
inline void add_512(Word* a, const Word* b) {
  unsigned carry = 0;
  for (int i = 0; i < 8; ++i) {
    const Word sum = a[i] + b[i];
    const unsigned carry_out = sum < a[i];
    a[i] = sum + carry;
    carry = carry_out | (a[i] < sum);
  }
}

// a = a + v modulo 2^512.
inline void add_small(Word* a, Word v) {
  for (int i = 0; i < 8 && v != 0; ++i) {
    a[i] += v;
    v = a[i] < v ? 1 : 0;
  }
}

// The block step on the full blocks at `p`: compression, N += 512 and
// Sigma += m for each.
void absorb_blocks(Streebog256* ctx, const std::uint8_t* p,
                   std::size_t blocks) {
  for (; blocks != 0; --blocks, p += kBlockSize) {
    Word m[8];
    load_block(p, m);
    streebog_compress(ctx->h, ctx->n, m);
    add_small(ctx->n, 512);
    add_512(ctx->sigma, m);
  }
}

}  // namespace

void streebog256_init(Streebog256* ctx, std::uint32_t digest_size) {
  std::memset(ctx, 0, sizeof *ctx);
  ctx->digest_size = digest_size;
  if (digest_size == 256) {
    std::memset(ctx->h, 0x01, sizeof ctx->h);
  }
}

void streebog256_update(Streebog256* ctx, const void* data,
                        std::size_t length) {
  if (length == 0) {
    return;
  }
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (ctx->bufsize != 0) {
    std::size_t take = kBlockSize - ctx->bufsize;
    if (take > length) {
      take = length;
    }
    std::memcpy(ctx->buffer + ctx->bufsize, p, take);
    ctx->bufsize += take;
    p += take;
    length -= take;
    if (ctx->bufsize < kBlockSize) {
      return;
    }
    absorb_blocks(ctx, ctx->buffer, 1);
    ctx->bufsize = 0;
  }
  const std::size_t blocks = length / kBlockSize;
  absorb_blocks(ctx, p, blocks);
  p += blocks * kBlockSize;
  length -= blocks * kBlockSize;
  if (length != 0) {
    std::memcpy(ctx->buffer, p, length);
  }
  ctx->bufsize = length;
}

void streebog256_final(Streebog256* ctx, std::uint8_t* out) {
  std::memset(ctx->buffer + ctx->bufsize, 0, kBlockSize - ctx->bufsize);
  ctx->buffer[ctx->bufsize] = 0x01;
  Word m[8];
  load_block(ctx->buffer, m);
  streebog_compress(ctx->h, ctx->n, m);
  add_small(ctx->n, 8 * ctx->bufsize);
  add_512(ctx->sigma, m);
  streebog_compress(ctx->h, kZeroBlock, ctx->n);
  streebog_compress(ctx->h, kZeroBlock, ctx->sigma);
  ctx->bufsize = 0;
  if (ctx->digest_size == 256) {
    store_words(ctx->h + 4, 4, out);
  } else {
    store_words(ctx->h, 8, out);
  }
}

void streebog256_clear(Streebog256* ctx) {
  explicit_bzero(ctx, sizeof *ctx);
}

int streebog256_file(const char* path, char* out) {
  const UniqueFd file = open_regular_file(path);
  if (!file.valid()) {
    return -1;
  }

  Streebog256 ctx;
  streebog256_init(&ctx, 256);
  alignas(64) std::uint8_t chunk[kReadSize];
  for (;;) {
    const ssize_t got = read(file.get(), chunk, sizeof chunk);
    if (got > 0) {
      streebog256_update(&ctx, chunk, static_cast<std::size_t>(got));
      continue;
    }
    if (got == 0) {
      break;
    }
    if (errno != EINTR) {
      streebog256_clear(&ctx);
      return -1;
    }
  }

  std::uint8_t digest[32];
  streebog256_final(&ctx, digest);
  streebog256_clear(&ctx);
  write_hex(digest, sizeof digest, out);
  out[64] = '\0';
  return 0;
}

}  // namespace zps
