// Streebog-256: the table-driven implementation agrees with the plain one
// written from the definitions, and feeding the input in pieces gives the
// same digest as one call.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "fuzz/streebog_reference.h"
#include "streebog/streebog.h"

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
  zps::require(zps::reference_streebog256(input) == whole,
               "tables agree with the definition");
  return 0;
}
