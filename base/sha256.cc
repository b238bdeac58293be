#include "base/sha256.h"

#include <openssl/evp.h>

#include "base/output.h"

namespace zps {

struct Sha256::Context {
  struct Deleter {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
  };
  std::unique_ptr<EVP_MD_CTX, Deleter> ctx{EVP_MD_CTX_new()};
};

namespace {

// SHA-256 in OpenSSL fails only when it cannot allocate (the context, the
// digest's implementation); a digest left unfinished must never be
// written, so the run ends instead.
void must(int openssl_result) {
  if (openssl_result != 1) {
    stop_out_of_memory();
  }
}

}  // namespace

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  if (context_->ctx == nullptr) {
    stop_out_of_memory();
  }
  must(EVP_DigestInit_ex(context_->ctx.get(), EVP_sha256(), nullptr));
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, size_t size) {
  if (size > 0) {
    must(EVP_DigestUpdate(context_->ctx.get(), data, size));
  }
}

std::string Sha256::finish() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  must(EVP_DigestFinal_ex(context_->ctx.get(), digest, &length));
  must(EVP_DigestInit_ex(context_->ctx.get(), EVP_sha256(), nullptr));
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string sha256_of(std::string_view data) {
  Sha256 hash;
  hash.update(data.data(), data.size());
  return hash.finish();
}

}  // namespace zps
