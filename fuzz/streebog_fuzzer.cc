// Streebog-256: feeding the input in pieces gives the same digest as one
// call, and on x86-64 the assembly compression step agrees with the
// portable one.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "streebog/streebog_internal.h"

namespace {

std::string digest_in_pieces(std::string_view input, size_t piece) {
  zps::Streebog256 ctx;
  zps::streebog256_init(&ctx, 256);
  for (size_t at = 0; at < input.size(); at += piece) {
    std::string_view part = input.substr(at, piece);
    zps::streebog256_update(&ctx, part.data(), part.size());
  }
  uint8_t out[32];
  zps::streebog256_final(&ctx, out);
  return std::string(reinterpret_cast<const char*>(out), 32);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  // The first byte chooses the piece size; the rest is the message.
  const size_t piece = 1 + data[0] % 97;
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string whole = digest_in_pieces(input, input.size() + 1);
  zps::require(digest_in_pieces(input, piece) == whole, "pieces agree");
  if (input.size() >= 3 * sizeof(zps::StreebogWord[8])) {
    zps::StreebogWord words[3][8];
    std::memcpy(words, input.data(), sizeof words);
    zps::StreebogWord portable[8];
    std::memcpy(portable, words[0], sizeof portable);
    zps::streebog_compress(words[0], words[1], words[2]);
    zps::streebog_compress_portable(portable, words[1], words[2]);
    zps::require(std::memcmp(words[0], portable, sizeof portable) == 0,
                 "both compression steps agree");
  }
  return 0;
}
