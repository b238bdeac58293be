// Any bytes as a package file: reading the manifest and the members after
// it ends cleanly.
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "packages/manifest_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto archive = zps::PackageArchive::open_memory(bytes, zps::null_stream());
  if (archive == nullptr) {
    return 0;
  }
  std::string manifest = archive->read_manifest("fuzz", zps::null_stream());
  zps::require(manifest.size() <= zps::kMaxManifestBytes, "manifest bounded");
  zps::MemberDigests digests = archive->digest_remaining_members();
  for (const auto& [path, digest] : digests) {
    zps::require(!path.empty() && path.front() == '/', "paths are absolute");
    zps::require(digest.size() == 32, "digests are SHA-256");
  }
  return 0;
}
