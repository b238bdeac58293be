// streebog-bench [--runs N] FILE...
//
// Hashes each file with our Streebog-256 and with libgcrypt's STRIBOG256 in
// the same process, on the same bytes held in memory, and prints both digests,
// the throughput of each in MiB/s and the ratio ours / libgcrypt. Each
// figure is the best of N runs (3 unless given), the two implementations
// taking turns. It also times streebog256_file on the path, which adds the
// reads from the page cache. Exits with 1 when the digests differ or a file
// cannot be read.

#include <fcntl.h>
#include <gcrypt.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "streebog/streebog.h"

namespace {

using Clock = std::chrono::steady_clock;

bool read_whole_file(const char* path, std::vector<std::uint8_t>* data) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  data->clear();
  std::uint8_t chunk[1 << 16];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got == 0) {
      break;
    }
    if (got < 0) {
      close(fd);
      return false;
    }
    data->insert(data->end(), chunk, chunk + got);
  }
  close(fd);
  return true;
}

std::string hex(const std::uint8_t* bytes, std::size_t n) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < n; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double ours(const std::vector<std::uint8_t>& data, std::uint8_t digest[32]) {
  const Clock::time_point start = Clock::now();
  zps::Streebog256 ctx;
  zps::streebog256_init(&ctx, 256);
  zps::streebog256_update(&ctx, data.data(), data.size());
  zps::streebog256_final(&ctx, digest);
  return seconds_since(start);
}

double libgcrypt(const std::vector<std::uint8_t>& data,
                 std::uint8_t digest[32]) {
  const Clock::time_point start = Clock::now();
  gcry_md_hd_t hd;
  if (gcry_md_open(&hd, GCRY_MD_STRIBOG256, 0) != 0) {
    std::fprintf(stderr, "streebog-bench: libgcrypt has no STRIBOG256\n");
    std::exit(1);
  }
  gcry_md_write(hd, data.data(), data.size());
  std::memcpy(digest, gcry_md_read(hd, GCRY_MD_STRIBOG256), 32);
  gcry_md_close(hd);
  return seconds_since(start);
}

double ours_file(const char* path, char text[65], int* status) {
  const Clock::time_point start = Clock::now();
  *status = zps::streebog256_file(path, text);
  return seconds_since(start);
}

double mib_per_s(std::size_t bytes, double seconds) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  int first = 1;
  if (argc > 2 && std::string_view(argv[1]) == "--runs") {
    runs = std::atoi(argv[2]);
    first = 3;
  }
  if (first >= argc || runs < 1) {
    std::fprintf(stderr, "usage: streebog-bench [--runs N] FILE...\n");
    return 1;
  }
  if (gcry_check_version(nullptr) == nullptr) {
    return 1;
  }
  gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
  gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  std::printf("libgcrypt %s, best of %d runs\n", gcry_check_version(nullptr),
              runs);

  int exit_status = 0;
  std::vector<std::uint8_t> data;
  for (int a = first; a < argc; ++a) {
    const char* path = argv[a];
    if (!read_whole_file(path, &data)) {
      std::fprintf(stderr, "streebog-bench: cannot read %s\n", path);
      exit_status = 1;
      continue;
    }
    std::uint8_t our_digest[32];
    std::uint8_t their_digest[32];
    char file_text[65] = {};
    int file_status = 0;
    double our_best = 1e30;
    double their_best = 1e30;
    double file_best = 1e30;
    for (int r = 0; r < runs; ++r) {
      our_best = std::min(our_best, ours(data, our_digest));
      their_best = std::min(their_best, libgcrypt(data, their_digest));
      file_best = std::min(file_best, ours_file(path, file_text, &file_status));
    }
    const std::string our_hex = hex(our_digest, 32);
    const std::string their_hex = hex(their_digest, 32);
    const double our_rate = mib_per_s(data.size(), our_best);
    const double their_rate = mib_per_s(data.size(), their_best);
    std::printf("%s (%zu bytes)\n", path, data.size());
    std::printf("  ours       %s  %8.1f MiB/s\n", our_hex.c_str(), our_rate);
    std::printf("  libgcrypt  %s  %8.1f MiB/s\n", their_hex.c_str(),
                their_rate);
    std::printf("  ours, streebog256_file (with reads)  %8.1f MiB/s\n",
                mib_per_s(data.size(), file_best));
    std::printf("  ratio ours/libgcrypt  %.2f\n", our_rate / their_rate);
    if (our_hex != their_hex || file_status != 0 || our_hex != file_text) {
      std::printf("  DIGESTS DIFFER\n");
      exit_status = 1;
    }
  }
  return exit_status;
}
