#include "streebog/streebog.h"

#include <gcrypt.h>
#include <sys/stat.h>

#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/hex.h"
#include "streebog/streebog_internal.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

// The digest of `message` fed in pieces of `piece` bytes (all at once for
// 0), as hex.
std::string our_digest(std::string_view message, size_t piece = 0,
                       std::uint32_t digest_size = 256) {
  Streebog256 ctx;
  streebog256_init(&ctx, digest_size);
  for (size_t at = 0; at < message.size() || at == 0; at += piece) {
    const size_t n =
        piece == 0 ? message.size() : std::min(piece, message.size() - at);
    streebog256_update(&ctx, message.data() + at, n);
    if (piece == 0) {
      break;
    }
  }
  std::string out(digest_size / 8, '\0');
  streebog256_final(&ctx, reinterpret_cast<std::uint8_t*>(out.data()));
  return hex_text(out);
}

// The reference: libgcrypt's STRIBOG256 or STRIBOG512, as hex.
std::string libgcrypt_digest(std::string_view message,
                             std::uint32_t digest_size = 256) {
  const int algo = digest_size == 256 ? GCRY_MD_STRIBOG256 : GCRY_MD_STRIBOG512;
  std::string out(gcry_md_get_algo_dlen(algo), '\0');
  gcry_md_hash_buffer(algo, out.data(), message.data(), message.size());
  return hex_text(out);
}

// The file API's digest of `message`, written to a file first.
std::string file_digest(const std::string& message) {
  TempDir dir;
  EXPECT_TRUE(write_file(dir.path("m"), message));
  char text[65];
  EXPECT_EQ(streebog256_file(dir.path("m").c_str(), text), 0);
  return std::string(text);
}

// RFC 6986 prints its example messages and digests as big-endian numbers;
// below they are in memory order, the RFC's text read backwards byte by
// byte: M1 is the ASCII digits as a file holds them. M2 is a line of verse
// in Windows-1251.
TEST(Streebog256, GivesTheDigestsOfTheRfc6986Examples) {
  const std::pair<std::string, std::string> cases[] = {
      {"012345678901234567890123456789012345678901234567890123456789012",
       "9d151eefd8590b89daa6ba6cb74af9275dd051026bb149a452fd84e5e57b5500"},
      {"\xd1\xe5\x20\xe2\xe5\xf2\xf0\xe8\x2c\x20\xd1\xf2\xf0\xe8\xe1\xee\xe6\xe8"
       "\x20\xe2\xed\xf3\xf6\xe8\x2c\x20\xe2\xe5\xfe\xf2\xfa\x20\xf1\x20\xec\xee"
       "\xf0\xff\x20\xf1\xf2\xf0\xe5\xeb\xe0\xec\xe8\x20\xed\xe0\x20\xf5\xf0\xe0"
       "\xe1\xf0\xfb\xff\x20\xef\xeb\xfa\xea\xfb\x20\xc8\xe3\xee\xf0\xe5\xe2\xfb",
       "9dd2fe4e90409e5da87f53976d7405b0c0cac628fc669a741d50063c557e8f50"}};
  for (const auto& [message, want] : cases) {
    EXPECT_EQ(our_digest(message), want);
    EXPECT_EQ(file_digest(message), want);
  }
}

// Lengths around the 64-byte block and the 64 KiB read of the file API, and
// random ones; whole, in pieces, from a file, and the 512-bit variant.
TEST(Streebog256, AgreesWithLibgcryptHoweverTheInputComes) {
  std::mt19937_64 rng(6986);
  std::vector<size_t> lengths = {0,   1,   63,    64,    65,    127,
                                 128, 129, 65535, 65536, 65537, 196673};
  for (int i = 0; i < 60; ++i) {
    lengths.push_back(i % 10 == 0 ? rng() % 200000 : rng() % 700);
  }
  for (size_t length : lengths) {
    std::string message(length, '\0');
    for (char& c : message) {
      c = static_cast<char>(rng());
    }
    const std::string want = libgcrypt_digest(message);
    EXPECT_EQ(our_digest(message), want) << length;
    EXPECT_EQ(our_digest(message, 1 + rng() % 300), want) << length;
    EXPECT_EQ(our_digest(message, 0, 512), libgcrypt_digest(message, 512))
        << length;
    if (length > 60000) {
      EXPECT_EQ(file_digest(message), want) << length;
    }
  }
}

TEST(StreebogCompress, X86CodeMatchesPortableCode) {
  if (!streebog_uses_x86_64_code()) {
    GTEST_SKIP() << "this build compresses with the portable code only";
  }
  std::mt19937_64 rng(512);
  for (int i = 0; i < 200; ++i) {
    StreebogWord h[8], n[8], m[8], portable[8];
    for (int w = 0; w < 8; ++w) {
      h[w] = rng();
      n[w] = i == 0 ? 0 : rng();
      m[w] = i == 1 ? ~StreebogWord{0} : rng();
    }
    std::memcpy(portable, h, sizeof h);
    streebog_compress(h, n, m);
    streebog_compress_portable(portable, n, m);
    ASSERT_EQ(0, std::memcmp(h, portable, sizeof h)) << i;
  }
}

// Each path is refused at once (a FIFO without a writer must not block),
// the caller's buffer untouched.
TEST(Streebog256File, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  ASSERT_TRUE(write_file(dir.path("file"), "x"));
  ASSERT_EQ(mkfifo(dir.path("fifo").c_str(), 0644), 0);
  for (const std::string& path :
       {dir.path("missing"), dir.path("file/below"), dir.root(),
        dir.path("fifo"), std::string("/dev/null")}) {
    char out[66] = "untouched";
    EXPECT_EQ(streebog256_file(path.c_str(), out), -1) << path;
    EXPECT_STREQ(out, "untouched");
  }
  Streebog256 ctx;
  std::memset(&ctx, 0xa5, sizeof ctx);
  streebog256_clear(&ctx);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ctx), sizeof ctx),
            std::string(sizeof ctx, '\0'));
}

}  // namespace
}  // namespace zps
