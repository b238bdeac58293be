#include "base/uuid.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cassert>
#include <memory>

namespace zps {

std::string uuid_text(std::string_view bytes, int version) {
  assert(bytes.size() == 16 && version >= 1 && version <= 5);
  std::string b(bytes);
  b[6] = static_cast<char>((b[6] & 0x0F) | (version << 4));
  b[8] = static_cast<char>((b[8] & 0x3F) | 0x80);
  constexpr std::string_view kDigits = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) {
      text += '-';
    }
    const auto byte = static_cast<unsigned char>(b[i]);
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::optional<std::string> random_uuid() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    return std::nullopt;
  }
  return uuid_text(
      std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes), 4);
}

std::string name_uuid(std::string_view name_space, std::string_view name) {
  assert(name_space.size() == 16);
  struct Deleter {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
  };
  std::unique_ptr<EVP_MD_CTX, Deleter> context(EVP_MD_CTX_new());
  unsigned char digest[EVP_MAX_MD_SIZE] = {};
  unsigned int length = 0;
  EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr);
  EVP_DigestUpdate(context.get(), name_space.data(), name_space.size());
  EVP_DigestUpdate(context.get(), name.data(), name.size());
  EVP_DigestFinal_ex(context.get(), digest, &length);
  return uuid_text(std::string_view(reinterpret_cast<const char*>(digest), 16),
                   5);
}

}  // namespace zps
