// Streebog (GOST R 34.11-2012) as RFC 6986 defines it, operation by
// operation. A 512-bit value is 64 bytes, byte k holding bits 8k to 8k+7;
// the first message byte is the least significant byte of the first block.
#include "fuzz/streebog_reference.h"

#include <array>
#include <cstdint>

#include "streebog/streebog.h"

namespace zps {
namespace {

using Block = std::array<uint8_t, 64>;

// pi and the rows of A, as RFC 6986 prints them.
constexpr uint8_t kPi[256] = {
    252, 238, 221, 17,  207, 110, 49,  22,  251, 196, 250, 218, 35,  197, 4,
    77,  233, 119, 240, 219, 147, 46,  153, 186, 23,  54,  241, 187, 20,  205,
    95,  193, 249, 24,  101, 90,  226, 92,  239, 33,  129, 28,  60,  66,  139,
    1,   142, 79,  5,   132, 2,   174, 227, 106, 143, 160, 6,   11,  237, 152,
    127, 212, 211, 31,  235, 52,  44,  81,  234, 200, 72,  171, 242, 42,  104,
    162, 253, 58,  206, 204, 181, 112, 14,  86,  8,   12,  118, 18,  191, 114,
    19,  71,  156, 183, 93,  135, 21,  161, 150, 41,  16,  123, 154, 199, 243,
    145, 120, 111, 157, 158, 178, 177, 50,  117, 25,  61,  255, 53,  138, 126,
    109, 84,  198, 128, 195, 189, 13,  87,  223, 245, 36,  169, 62,  168, 67,
    201, 215, 121, 214, 246, 124, 34,  185, 3,   224, 15,  236, 222, 122, 148,
    176, 188, 220, 232, 40,  80,  78,  51,  10,  74,  167, 151, 96,  115, 30,
    0,   98,  68,  26,  184, 56,  130, 100, 159, 38,  65,  173, 69,  70,  146,
    39,  94,  85,  47,  140, 163, 165, 125, 105, 213, 149, 59,  7,   88,  179,
    64,  134, 172, 29,  247, 48,  55,  107, 228, 136, 217, 231, 137, 225, 27,
    131, 73,  76,  63,  248, 254, 141, 83,  170, 144, 202, 216, 133, 97,  32,
    113, 103, 164, 45,  43,  9,   91,  203, 155, 37,  208, 190, 229, 108, 82,
    89,  166, 116, 210, 230, 244, 180, 192, 209, 102, 175, 194, 57,  75,  99,
    182};

constexpr uint64_t kMatrixA[64] = {
    0x8e20faa72ba0b470, 0x47107ddd9b505a38, 0xad08b0e0c3282d1c,
    0xd8045870ef14980e, 0x6c022c38f90a4c07, 0x3601161cf205268d,
    0x1b8e0b0e798c13c8, 0x83478b07b2468764, 0xa011d380818e8f40,
    0x5086e740ce47c920, 0x2843fd2067adea10, 0x14aff010bdd87508,
    0x0ad97808d06cb404, 0x05e23c0468365a02, 0x8c711e02341b2d01,
    0x46b60f011a83988e, 0x90dab52a387ae76f, 0x486dd4151c3dfdb9,
    0x24b86a840e90f0d2, 0x125c354207487869, 0x092e94218d243cba,
    0x8a174a9ec8121e5d, 0x4585254f64090fa0, 0xaccc9ca9328a8950,
    0x9d4df05d5f661451, 0xc0a878a0a1330aa6, 0x60543c50de970553,
    0x302a1e286fc58ca7, 0x18150f14b9ec46dd, 0x0c84890ad27623e0,
    0x0642ca05693b9f70, 0x0321658cba93c138, 0x86275df09ce8aaa8,
    0x439da0784e745554, 0xafc0503c273aa42a, 0xd960281e9d1d5215,
    0xe230140fc0802984, 0x71180a8960409a42, 0xb60c05ca30204d21,
    0x5b068c651810a89e, 0x456c34887a3805b9, 0xac361a443d1c8cd2,
    0x561b0d22900e4669, 0x2b838811480723ba, 0x9bcf4486248d9f5d,
    0xc3e9224312c8c1a0, 0xeffa11af0964ee50, 0xf97d86d98a327728,
    0xe4fa2054a80b329c, 0x727d102a548b194e, 0x39b008152acb8227,
    0x9258048415eb419d, 0x492c024284fbaec0, 0xaa16012142f35760,
    0x550b8e9e21f7a530, 0xa48b474f9ef5dc18, 0x70a6a56e2440598e,
    0x3853dc371220a247, 0x1ca76e95091051ad, 0x0edd37c48a08a6d8,
    0x07e095624504536c, 0x8d70c431ac02a736, 0xc83862965601dd1b,
    0x641c314b2b8ee083,
};

Block xor_blocks(const Block& a, const Block& b) {
  Block out;
  for (int i = 0; i < 64; ++i) {
    out[i] = a[i] ^ b[i];
  }
  return out;
}

// S: every byte through pi.
Block substitute(const Block& a) {
  Block out;
  for (int i = 0; i < 64; ++i) {
    out[i] = kPi[a[i]];
  }
  return out;
}

// P: byte i goes to position tau(i) = 8 * (i mod 8) + i div 8.
Block transpose(const Block& a) {
  Block out;
  for (int i = 0; i < 64; ++i) {
    out[8 * (i % 8) + i / 8] = a[i];
  }
  return out;
}

// L: each 64-bit word w (little-endian) becomes the XOR of row A[63 - j]
// for every set bit j of w.
Block linear(const Block& a) {
  Block out;
  for (int word = 0; word < 8; ++word) {
    uint64_t w = 0;
    for (int b = 0; b < 8; ++b) {
      w |= static_cast<uint64_t>(a[8 * word + b]) << (8 * b);
    }
    uint64_t r = 0;
    for (int j = 0; j < 64; ++j) {
      if ((w >> j) & 1) {
        r ^= kMatrixA[63 - j];
      }
    }
    for (int b = 0; b < 8; ++b) {
      out[8 * word + b] = static_cast<uint8_t>(r >> (8 * b));
    }
  }
  return out;
}

Block lps(const Block& a) {
  return linear(transpose(substitute(a)));
}

Block constant(int i) {
  Block out;
  for (int w = 0; w < 8; ++w) {
    for (int b = 0; b < 8; ++b) {
      out[8 * w + b] =
          static_cast<uint8_t>(STREEBOG_ITERATION_CONSTANTS[i][w] >> (8 * b));
    }
  }
  return out;
}

// g_N(h, m) = E(LPS(h ^ N), m) ^ h ^ m.
Block compress(const Block& h, const Block& n, const Block& m) {
  Block k = lps(xor_blocks(h, n));
  Block state = m;
  for (int i = 0; i < 12; ++i) {
    state = lps(xor_blocks(state, k));
    k = lps(xor_blocks(k, constant(i)));
  }
  return xor_blocks(xor_blocks(xor_blocks(state, k), h), m);
}

// a += b modulo 2^512.
void add(Block* a, const Block& b) {
  unsigned carry = 0;
  for (int i = 0; i < 64; ++i) {
    unsigned sum = (*a)[i] + b[i] + carry;
    (*a)[i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
}

Block number(uint64_t value) {
  Block out{};
  for (int b = 0; b < 8; ++b) {
    out[b] = static_cast<uint8_t>(value >> (8 * b));
  }
  return out;
}

}  // namespace

std::string reference_streebog256(std::string_view message) {
  Block h;
  h.fill(0x01);
  Block n{};
  Block sigma{};
  const Block zero{};
  size_t at = 0;
  for (; message.size() - at >= 64; at += 64) {
    Block m;
    for (int i = 0; i < 64; ++i) {
      m[i] = static_cast<uint8_t>(message[at + i]);
    }
    h = compress(h, n, m);
    add(&n, number(512));
    add(&sigma, m);
  }
  Block m{};
  const size_t rest = message.size() - at;
  for (size_t i = 0; i < rest; ++i) {
    m[i] = static_cast<uint8_t>(message[at + i]);
  }
  m[rest] = 0x01;
  h = compress(h, n, m);
  add(&n, number(8 * rest));
  add(&sigma, m);
  h = compress(h, zero, n);
  h = compress(h, zero, sigma);
  return std::string(reinterpret_cast<const char*>(h.data()) + 32, 32);
}

}  // namespace zps
