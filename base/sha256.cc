#include "base/sha256.h"

#include <openssl/evp.h>

namespace zps {

struct Sha256::Context {
  struct Deleter {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
  };
  std::unique_ptr<EVP_MD_CTX, Deleter> ctx{EVP_MD_CTX_new()};
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  EVP_DigestInit_ex(context_->ctx.get(), EVP_sha256(), nullptr);
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, size_t size) {
  if (size > 0) {
    EVP_DigestUpdate(context_->ctx.get(), data, size);
  }
}

std::string Sha256::finish() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->ctx.get(), digest, &length);
  EVP_DigestInit_ex(context_->ctx.get(), EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string sha256_of(std::string_view data) {
  Sha256 hash;
  hash.update(data.data(), data.size());
  return hash.finish();
}

}  // namespace zps
