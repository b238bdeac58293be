// Throughput of the distfile digests: Streebog-256 alone (streebog256_file)
// against the single pass that computes SHA-256 and Streebog-256 together
// (hash_distfile), over the same file, best of a few rounds each.
//
// usage: distfile-hash FILE [ROUNDS]
// Prints MiB/s of each and the combined pass's share of Streebog's speed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "provenance/distfiles.h"
#include "streebog/streebog.h"

namespace {

template <typename Run>
double best_seconds(int rounds, Run run) {
  double best = 1e30;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!run()) {
      std::fprintf(stderr, "cannot read the file\n");
      std::exit(1);
    }
    const std::chrono::duration<double> took =
        std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: distfile-hash FILE [ROUNDS]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  uint64_t bytes = 0;
  const double alone = best_seconds(rounds, [&] {
    char digest[65];
    return zps::streebog256_file(path.c_str(), digest) == 0;
  });
  const double combined = best_seconds(rounds, [&] {
    std::optional<zps::DistfileDigests> d = zps::hash_distfile(path);
    bytes = d ? d->size : 0;
    return d.has_value();
  });
  const double mib = static_cast<double>(bytes) / (1 << 20);
  std::printf("file: %.0f MiB\n", mib);
  std::printf("Streebog-256 alone:          %8.1f MiB/s\n", mib / alone);
  std::printf("SHA-256 + Streebog-256 pass: %8.1f MiB/s\n", mib / combined);
  std::printf("combined / alone speed:      %8.2f\n", alone / combined);
  return 0;
}
