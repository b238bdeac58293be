// The floors of the checksum benchmark, on one thread, with no parsing and
// no output. `manifest-floor PKG...` opens each package with libarchive
// (every format and filter, 10 KiB reads) and reads its +MANIFEST member:
// what any reader of the manifests must do at least. `manifest-floor
// --members PKG...` reads every member's data of each package and computes
// the SHA-256 of the members with an execute bit: what a run must do at
// least when no manifest sum is SHA-256 and the archive cannot be left
// early. Prints the number of bytes read.
#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <archive.h>
#include <archive_entry.h>

namespace {

struct ArchiveReadDeleter {
  void operator()(archive* a) const { archive_read_free(a); }
};
struct DigestDeleter {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

// Reads the data of the current member, hashing it into `hash` when that
// is not null. Returns the bytes read.
unsigned long long read_data(archive* a, EVP_MD_CTX* hash) {
  unsigned long long total = 0;
  const void* block = nullptr;
  size_t size = 0;
  la_int64_t offset = 0;
  while (archive_read_data_block(a, &block, &size, &offset) == ARCHIVE_OK) {
    if (hash != nullptr) {
      EVP_DigestUpdate(hash, block, size);
    }
    total += size;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const bool members = argc > 1 && std::strcmp(argv[1], "--members") == 0;
  std::unique_ptr<EVP_MD_CTX, DigestDeleter> hash(EVP_MD_CTX_new());
  unsigned long long total = 0;
  for (int i = members ? 2 : 1; i < argc; ++i) {
    std::unique_ptr<archive, ArchiveReadDeleter> a(archive_read_new());
    archive_read_support_filter_all(a.get());
    archive_read_support_format_all(a.get());
    if (archive_read_open_filename(a.get(), argv[i], 10240) != ARCHIVE_OK) {
      continue;
    }
    archive_entry* entry = nullptr;
    while (archive_read_next_header(a.get(), &entry) == ARCHIVE_OK) {
      const char* name = archive_entry_pathname(entry);
      if (members) {
        const bool executable = archive_entry_filetype(entry) == AE_IFREG &&
                                (archive_entry_perm(entry) & 0111) != 0;
        if (executable) {
          EVP_DigestInit_ex(hash.get(), EVP_sha256(), nullptr);
        }
        total += read_data(a.get(), executable ? hash.get() : nullptr);
        if (executable) {
          unsigned char digest[EVP_MAX_MD_SIZE];
          unsigned int length = 0;
          EVP_DigestFinal_ex(hash.get(), digest, &length);
        }
        continue;
      }
      if (std::strcmp(name, "+MANIFEST") == 0) {
        static char chunk[16384];
        la_ssize_t n;
        while ((n = archive_read_data(a.get(), chunk, sizeof chunk)) > 0) {
          total += static_cast<unsigned long long>(n);
        }
        break;
      }
      archive_read_data_skip(a.get());
    }
  }
  std::printf("%llu\n", total);
  return 0;
}
