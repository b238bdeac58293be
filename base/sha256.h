#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zps {

// SHA-256 over data given in pieces, from the system's crypto library.
// When the library cannot allocate what it needs, the run ends through
// stop_out_of_memory(): no digest is ever made of part of the data.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(const void* data, size_t size);

  // Returns the 32-byte digest of everything given since construction or
  // the last finish, and starts over.
  std::string finish();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// Returns the SHA-256 digest of `data` as 32 bytes.
std::string sha256_of(std::string_view data);

}  // namespace zps
