// Streebog compression and the file-level digest.
//
// The time goes into LPS: 25 of them per 64-byte block, each 64 table reads
// and 64 XORs. The eight output words are computed together: every input
// word, XORed with its operand as it is loaded, feeds one read into each of
// eight independent XOR chains. K and t stay in the compression function's
// locals for all twelve rounds, and the rounds are ordered so that no LPS
// waits for the one just before it.

#include "streebog/streebog.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstring>

#include "streebog/streebog_internal.h"

namespace zps {
namespace {

using Word = std::uint64_t;

constexpr std::size_t kBlockSize = 64;
constexpr std::size_t kReadSize = 65536;
constexpr Word kZeroBlock[8] = {};
constexpr char kHexDigits[] = "0123456789abcdef";

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
  const Word* t = STREEBOG_LPS_TABLES[0].data();
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

#if defined(__x86_64__)

// The x86-64 code. Compilers schedule the loop above poorly and differently
// (one spills, another re-derives every byte with its own shift), so on
// x86-64 the LPS step is written out with SSE2, which every x86-64 processor
// has. The input word r = x[j] ^ y[j] sits in RAX; its bytes come out two at a
// time as AL and AH, then RAX shifts right by 16. Table entries are loaded in
// pairs into the low and high halves of an XMM register (MOVQ, MOVHPS) and
// XORed into four accumulators holding output words 0-1, 2-3, 4-5 and 6-7, so
// the XORs run on the vector units beside the integer work.

// clang-format off

// Bytes 0 to 5 of RAX come out in pairs into RCX and RDX; after the third
// shift RAX is down to bytes 6 and 7, and a shift by 8 leaves byte 7 as all
// of it.
#define ZPS_SB_SPLIT                  \
  "movzbl %%al, %%ecx\n\t"            \
  "movzbl %%ah, %%edx\n\t"            \
  "shr $16, %%rax\n\t"
#define ZPS_SB_SPLIT_LAST             \
  "movzbl %%al, %%ecx\n\t"            \
  "shr $8, %%rax\n\t"

// Table j at indices `lo` and `hi` into the halves of `acc` (input word 0) or
// of the scratch register, which is then XORed into `acc` (input words 1-7).
#define ZPS_SB_FIRST(j, acc, lo, hi)                        \
  "movq 2048*" #j "(%[tab],%%" lo ",8), %[" acc "]\n\t"     \
  "movhps 2048*" #j "(%[tab],%%" hi ",8), %[" acc "]\n\t"
#define ZPS_SB_NEXT(j, acc, lo, hi)                         \
  "movq 2048*" #j "(%[tab],%%" lo ",8), %[v]\n\t"           \
  "movhps 2048*" #j "(%[tab],%%" hi ",8), %[v]\n\t"         \
  "pxor %[v], %[" acc "]\n\t"

// Input word j: the XOR of the operands, then its eight table reads.
#define ZPS_SB_WORD(j, PAIR)                                \
  "mov 8*" #j "(%[x]), %%rax\n\t"                           \
  "xor 8*" #j "(%[y]), %%rax\n\t"                           \
  ZPS_SB_SPLIT PAIR(j, "a0", "rcx", "rdx")                  \
  ZPS_SB_SPLIT PAIR(j, "a1", "rcx", "rdx")                  \
  ZPS_SB_SPLIT PAIR(j, "a2", "rcx", "rdx")                  \
  ZPS_SB_SPLIT_LAST PAIR(j, "a3", "rcx", "rax")

using Block = Word[8];

// `out` = LPS(`x` XOR `y`). `out` may be `x` or `y`: all loads come before
// the four stores.
inline void xlps_x86_64(const Word* x, const Word* y, Word* out) {
  __m128i a0;
  __m128i a1;
  __m128i a2;
  __m128i a3;
  __m128i v;
  asm(ZPS_SB_WORD(0, ZPS_SB_FIRST)
      ZPS_SB_WORD(1, ZPS_SB_NEXT)
      ZPS_SB_WORD(2, ZPS_SB_NEXT)
      ZPS_SB_WORD(3, ZPS_SB_NEXT)
      ZPS_SB_WORD(4, ZPS_SB_NEXT)
      ZPS_SB_WORD(5, ZPS_SB_NEXT)
      ZPS_SB_WORD(6, ZPS_SB_NEXT)
      ZPS_SB_WORD(7, ZPS_SB_NEXT)
      "movdqu %[a0], (%[o])\n\t"
      "movdqu %[a1], 16(%[o])\n\t"
      "movdqu %[a2], 32(%[o])\n\t"
      "movdqu %[a3], 48(%[o])"
      : [a0] "=&x"(a0), [a1] "=&x"(a1), [a2] "=&x"(a2), [a3] "=&x"(a3),
        [v] "=&x"(v), "+m"(*reinterpret_cast<Block*>(out))
      : [x] "r"(x), [y] "r"(y), [o] "r"(out),
        [tab] "r"(STREEBOG_LPS_TABLES[0].data()),
        "m"(*reinterpret_cast<const Block*>(x)),
        "m"(*reinterpret_cast<const Block*>(y)), "m"(STREEBOG_LPS_TABLES)
      : "rax", "rcx", "rdx", "cc");
}

// clang-format on

#endif  // defined(__x86_64__)

// The rounds of g_N with `xlps` as the LPS step. The standard's order is
// K_1 = LPS(h ^ N), t_1 = LPS(K_1 ^ m), then K_{i+1} = LPS(K_i ^ C_i) and
// t_{i+1} = LPS(K_{i+1} ^ t_i), and finally K_13 ^ t_12. Here each round
// computes K_{i+1} = LPS(K_i ^ C_i) into the second of two K buffers and then
// t_i = LPS(K_i ^ t_{i-1}) with t_0 = m, the same values in an order where no
// LPS needs the result of the one just before it: the processor can overlap
// each with its predecessor.
template <void (*xlps)(const Word*, const Word*, Word*)>
[[gnu::always_inline]] inline void compress_with(Word* h, const Word* n,
                                                 const Word* m) {
  const auto& c = STREEBOG_ITERATION_CONSTANTS;
  alignas(16) Word k_a[8];
  alignas(16) Word k_b[8];
  alignas(16) Word t[8];
  std::memcpy(t, m, sizeof t);
  xlps(h, n, k_a);
  Word* k = k_a;
  Word* k_next = k_b;
  // Kept as a loop: unrolled, the code outgrows the processor's cache of
  // decoded instructions and runs slower.
#pragma GCC unroll 1
  for (int i = 0; i < 12; ++i) {
    xlps(k, c[i].data(), k_next);
    xlps(k, t, t);
    Word* const done = k;
    k = k_next;
    k_next = done;
  }
  for (int i = 0; i < 8; ++i) {
    h[i] ^= k[i] ^ t[i] ^ m[i];
  }
}

}  // namespace

void streebog_compress_portable(Word* h, const Word* n, const Word* m) {
  compress_with<xlps_portable>(h, n, m);
}

#if defined(__x86_64__)

void streebog_compress(Word* h, const Word* n, const Word* m) {
  compress_with<xlps_x86_64>(h, n, m);
}

bool streebog_uses_x86_64_code() {
  return true;
}

#else

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

// A file descriptor, closed on destruction unless negative.
class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

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
  std::memcpy(ctx->hash, ctx->h, sizeof ctx->hash);
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
  // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer or a
  // device; anything but a regular file is then refused. For a regular file
  // the flag changes nothing.
  const UniqueFd file(open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    return -1;
  }
  struct stat st;
  if (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
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
  for (int i = 0; i < 32; ++i) {
    out[2 * i] = kHexDigits[digest[i] >> 4];
    out[2 * i + 1] = kHexDigits[digest[i] & 0x0f];
  }
  out[64] = '\0';
  return 0;
}

}  // namespace zps
