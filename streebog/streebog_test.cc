#include "streebog/streebog.h"

#include <fcntl.h>
#include <gcrypt.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "streebog/streebog_internal.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes our_digest(std::string_view message, std::uint32_t digest_size = 256) {
  Streebog256 ctx;
  streebog256_init(&ctx, digest_size);
  streebog256_update(&ctx, message.data(), message.size());
  Bytes out(digest_size / 8);
  streebog256_final(&ctx, out.data());
  return out;
}

// The reference: libgcrypt's STRIBOG256 or STRIBOG512.
Bytes libgcrypt_digest(std::string_view message,
                       std::uint32_t digest_size = 256) {
  [[maybe_unused]] static const bool ready = [] {
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  const int algo = digest_size == 256 ? GCRY_MD_STRIBOG256 : GCRY_MD_STRIBOG512;
  Bytes out(gcry_md_get_algo_dlen(algo));
  gcry_md_hash_buffer(algo, out.data(), message.data(), message.size());
  return out;
}

std::string hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0f];
  }
  return text;
}

std::string random_bytes(std::mt19937_64& rng, std::size_t n) {
  std::string bytes(n, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(rng() & 0xff);
  }
  return bytes;
}

// RFC 6986 prints its example messages and hash values as big-endian numbers,
// most significant byte first. The bytes below are in memory order, which is
// the RFC's text read backwards byte by byte: M1 is the ASCII digits as a file
// holds them, and its digest begins with the byte the RFC prints last.
TEST(Streebog256, GivesTheDigestsOfTheRfc6986Examples) {
  struct Case {
    const char* name;
    std::string message;
    Bytes digest;
  };
  const Case cases[] = {
      {"M1",
       "012345678901234567890123456789012345678901234567890123456789012",
       {0x9d, 0x15, 0x1e, 0xef, 0xd8, 0x59, 0x0b, 0x89, 0xda, 0xa6, 0xba,
        0x6c, 0xb7, 0x4a, 0xf9, 0x27, 0x5d, 0xd0, 0x51, 0x02, 0x6b, 0xb1,
        0x49, 0xa4, 0x52, 0xfd, 0x84, 0xe5, 0xe5, 0x7b, 0x55, 0x00}},
      // The 72 bytes of a line of verse in Windows-1251.
      {"M2",
       std::string("\xd1\xe5\x20\xe2\xe5\xf2\xf0\xe8\x2c\x20\xd1\xf2"
                   "\xf0\xe8\xe1\xee\xe6\xe8\x20\xe2\xed\xf3\xf6\xe8"
                   "\x2c\x20\xe2\xe5\xfe\xf2\xfa\x20\xf1\x20\xec\xee"
                   "\xf0\xff\x20\xf1\xf2\xf0\xe5\xeb\xe0\xec\xe8\x20"
                   "\xed\xe0\x20\xf5\xf0\xe0\xe1\xf0\xfb\xff\x20\xef"
                   "\xeb\xfa\xea\xfb\x20\xc8\xe3\xee\xf0\xe5\xe2\xfb",
                   72),
       {0x9d, 0xd2, 0xfe, 0x4e, 0x90, 0x40, 0x9e, 0x5d, 0xa8, 0x7f, 0x53,
        0x97, 0x6d, 0x74, 0x05, 0xb0, 0xc0, 0xca, 0xc6, 0x28, 0xfc, 0x66,
        0x9a, 0x74, 0x1d, 0x50, 0x06, 0x3c, 0x55, 0x7e, 0x8f, 0x50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(hex(our_digest(c.message)), hex(c.digest));

    TempDir dir;
    const std::string path = dir.path("message");
    ASSERT_TRUE(write_file(path, c.message));
    char text[65];
    ASSERT_EQ(streebog256_file(path.c_str(), text), 0);
    EXPECT_EQ(std::string(text), hex(c.digest));
  }
}

// Lengths around the 64-byte block and the 64 KiB read of streebog256_file,
// each hashed in one call and from a file.
TEST(Streebog256, AgreesWithLibgcryptAtBlockAndReadBoundaries) {
  std::mt19937_64 rng(6986);
  const std::size_t lengths[] = {0,     1,      63,     64,         65,
                                 127,   128,    129,    65535,      65536,
                                 65537, 131072, 196608, 196608 + 65};
  for (std::size_t length : lengths) {
    SCOPED_TRACE(length);
    const std::string message = random_bytes(rng, length);
    const std::string want = hex(libgcrypt_digest(message));
    EXPECT_EQ(hex(our_digest(message)), want);

    TempDir dir;
    const std::string path = dir.path("data");
    ASSERT_TRUE(write_file(path, message));
    char text[65];
    ASSERT_EQ(streebog256_file(path.c_str(), text), 0);
    EXPECT_EQ(std::string(text, 64), want);
    EXPECT_EQ(text[64], '\0');
  }
}

TEST(Streebog256, AgreesWithLibgcryptOnRandomMessages) {
  std::mt19937_64 rng(34112012);
  for (int i = 0; i < 300; ++i) {
    // Mostly short messages, every tenth one up to 70,000 bytes.
    const std::size_t length = i % 10 == 0 ? rng() % 70000 : rng() % 700;
    const std::string message = random_bytes(rng, length);
    SCOPED_TRACE(testing::Message()
                 << "message " << i << ", " << length << " bytes");
    EXPECT_EQ(hex(our_digest(message)), hex(libgcrypt_digest(message)));
    if (i % 5 == 0) {
      EXPECT_EQ(hex(our_digest(message, 512)),
                hex(libgcrypt_digest(message, 512)));
    }
  }
}

TEST(Streebog256, SplittingTheInputDoesNotChangeTheDigest) {
  std::mt19937_64 rng(20120101);
  for (int i = 0; i < 40; ++i) {
    const std::size_t length = rng() % 200001;
    const std::string message = random_bytes(rng, length);
    const Bytes whole = our_digest(message);

    Streebog256 ctx;
    streebog256_init(&ctx, 256);
    std::size_t fed = 0;
    int calls = 0;
    while (fed < length) {
      // Pieces of 0 to 300 bytes, now and then one of up to 20,000.
      std::size_t piece = rng() % 4 == 0 ? rng() % 20000 : rng() % 301;
      piece = std::min(piece, length - fed);
      if (calls % 8 == 7) {
        streebog256_update(&ctx, nullptr, 0);
      }
      streebog256_update(&ctx, message.data() + fed, piece);
      fed += piece;
      ++calls;
    }
    Bytes split(32);
    streebog256_final(&ctx, split.data());
    SCOPED_TRACE(testing::Message()
                 << length << " bytes in " << calls << " calls");
    EXPECT_EQ(hex(split), hex(whole));
  }
}

TEST(Streebog256, ClearZeroesEveryByte) {
  Streebog256 ctx;
  std::memset(&ctx, 0xa5, sizeof ctx);
  streebog256_clear(&ctx);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&ctx);
  for (std::size_t i = 0; i < sizeof ctx; ++i) {
    ASSERT_EQ(bytes[i], 0) << "byte " << i;
  }
}

// The x86-64 build has its own compression code; the portable one must give
// the same chaining values.
TEST(StreebogCompress, FastCodeMatchesPortableCode) {
  if (!streebog_uses_x86_64_code()) {
    GTEST_SKIP() << "this build compresses with the portable code only";
  }
  std::mt19937_64 rng(512);
  for (int i = 0; i < 200; ++i) {
    std::uint64_t h[8];
    std::uint64_t n[8];
    std::uint64_t m[8];
    for (int w = 0; w < 8; ++w) {
      h[w] = i == 0 ? 0 : rng();
      n[w] = i == 0 ? 0 : rng();
      m[w] = i == 1 ? ~std::uint64_t{0} : rng();
    }
    std::uint64_t fast[8];
    std::uint64_t portable[8];
    std::memcpy(fast, h, sizeof h);
    std::memcpy(portable, h, sizeof h);
    streebog_compress(fast, n, m);
    streebog_compress_portable(portable, n, m);
    ASSERT_EQ(0, std::memcmp(fast, portable, sizeof fast)) << "triple " << i;
  }
}

// Entries of the generated tables against values from elsewhere: the
// single-bit entries are rows of the matrix A as RFC 6986 prints them (the row
// of bit 8j + k is A[63 - 8j - k]); the others are entries of libgcrypt's
// precomputed tables, which hold L of a byte before the substitution, taken
// at pi(b).
TEST(StreebogTables, MatchKnownEntries) {
  struct Entry {
    int table;
    int index;
    std::uint64_t value;
  };
  const Entry entries[] = {
      {0, 45, 0x641c314b2b8ee083},   // pi(45) = 0x01: A[63]
      {1, 45, 0xa48b474f9ef5dc18},   // A[55]
      {3, 45, 0x5b068c651810a89e},   // A[39]
      {4, 45, 0x0321658cba93c138},   // A[31]
      {1, 50, 0x550b8e9e21f7a530},   // pi(50) = 0x02: A[54]
      {7, 123, 0x8e20faa72ba0b470},  // pi(123) = 0x80: A[0]
      {7, 195, 0x47107ddd9b505a38},  // pi(195) = 0x40: A[1]
      {7, 224, 0xad08b0e0c3282d1c},  // pi(224) = 0x20: A[2]
      {0, 0, 0xd01f715b5c7ef8e6},    // pi(0) = 252
      {0, 116, 0x7c3b228621f1c57e},  // pi(116) = 255
      {7, 116, 0x7ef6d5c75c09a57c},
  };
  for (const Entry& e : entries) {
    SCOPED_TRACE(testing::Message()
                 << "table " << e.table << " entry " << e.index);
    EXPECT_EQ(STREEBOG_LPS_TABLES[e.table][e.index], e.value);
  }
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&STREEBOG_LPS_TABLES) % 64, 0u);

  // C1 and C12, least and most significant words, as libgcrypt lists them.
  EXPECT_EQ(STREEBOG_ITERATION_CONSTANTS[0][0], 0xdd806559f2a64507u);
  EXPECT_EQ(STREEBOG_ITERATION_CONSTANTS[0][7], 0xb1085bda1ecadae9u);
  EXPECT_EQ(STREEBOG_ITERATION_CONSTANTS[11][0], 0x48bc924af11bd720u);
  EXPECT_EQ(STREEBOG_ITERATION_CONSTANTS[11][7], 0x378ee767f11631bau);
}

constexpr char kSentinel[] =
    "untouched untouched untouched untouched untouched "
    "untouched untou";

// Each path must be refused at once, without writing to the caller's buffer.
TEST(Streebog256File, RefusesWhatCannotBeReadAsARegularFile) {
  TempDir dir;
  ASSERT_TRUE(write_file(dir.path("file"), "x"));
  ASSERT_EQ(mkdir(dir.path("dir").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(dir.path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink(dir.path("dir").c_str(), dir.path("to-dir").c_str()), 0);
  ASSERT_EQ(symlink(dir.path("gone").c_str(), dir.path("dangling").c_str()), 0);
  const std::string paths[] = {
      dir.path("missing"),
      dir.path("file/below"),
      "",
      dir.path("dir"),
      dir.path("to-dir"),
      dir.path("dangling"),
      dir.path("fifo"),
      "/dev/null",
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    char out[sizeof kSentinel];
    std::memcpy(out, kSentinel, sizeof out);
    // A FIFO without a writer would block a plain open for ever; run the call
    // aside so that the test fails instead of hanging.
    std::future<int> result = std::async(std::launch::async, [&] {
      return streebog256_file(path.c_str(), out);
    });
    if (result.wait_for(std::chrono::seconds(10)) !=
        std::future_status::ready) {
      const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) {
        close(writer);
      }
      ADD_FAILURE() << "streebog256_file did not return";
    }
    EXPECT_EQ(result.get(), -1);
    EXPECT_EQ(std::string(out), kSentinel);
  }
}

TEST(Streebog256File, FollowsASymbolicLinkToARegularFile) {
  TempDir dir;
  ASSERT_TRUE(write_file(dir.path("file"), "abc"));
  ASSERT_EQ(symlink(dir.path("file").c_str(), dir.path("link").c_str()), 0);
  char text[65];
  ASSERT_EQ(streebog256_file(dir.path("link").c_str(), text), 0);
  EXPECT_EQ(std::string(text), hex(libgcrypt_digest("abc")));
}

// On Linux /proc/self/mem is a regular file whose first read fails (EIO), so
// the read-error branch runs after a successful open.
TEST(Streebog256File, FailsWhenAReadFails) {
  struct stat st;
  if (stat("/proc/self/mem", &st) != 0 || !S_ISREG(st.st_mode)) {
    GTEST_SKIP() << "no /proc/self/mem here";
  }
  char out[sizeof kSentinel];
  std::memcpy(out, kSentinel, sizeof out);
  EXPECT_EQ(streebog256_file("/proc/self/mem", out), -1);
  EXPECT_EQ(std::string(out), kSentinel);
}

// A file without read permission. Root reads it anyway, so as root the call
// runs in a child that has given up root for the "nobody" user.
TEST(Streebog256File, FailsOnAFileItMayNotRead) {
  TempDir dir;
  const std::string path = dir.path("secret");
  ASSERT_TRUE(write_file(path, "secret"));
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  ASSERT_EQ(chmod(dir.root().c_str(), 0755), 0);

  auto refused = [&path] {
    char out[sizeof kSentinel];
    std::memcpy(out, kSentinel, sizeof out);
    return streebog256_file(path.c_str(), out) == -1 &&
           std::string(out) == kSentinel;
  };
  if (geteuid() != 0) {
    EXPECT_TRUE(refused());
    return;
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) {
      _exit(2);
    }
    _exit(refused() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) {
    GTEST_SKIP() << "cannot drop root privileges here";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace zps
