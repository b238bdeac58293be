#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "packages/member_digests.h"

namespace zps {

// The largest +MANIFEST text the tool reads, in bytes. Real manifests reach
// tens of MB; a member that declares or yields more is refused, so that a
// hostile size field or a decompression bomb cannot exhaust memory.
inline constexpr size_t kMaxManifestBytes = size_t{256} << 20;

// One package archive, read front to back once: first up to its manifest,
// then, when asked, through the members after it.
class PackageArchive {
 public:
  // Opens the package file at `path`. Returns nullptr after writing
  // "  skip (cannot open): <reason>" and a line feed to `err` when it cannot
  // be opened as an archive, a path that is not a regular file included (so
  // that a FIFO never blocks the read).
  static std::unique_ptr<PackageArchive> open_file(const std::string& path,
                                                   std::FILE* err);

  // As open_file, for a package held in memory; `bytes` must outlive the
  // returned archive.
  static std::unique_ptr<PackageArchive> open_memory(std::string_view bytes,
                                                     std::FILE* err);

  ~PackageArchive();
  PackageArchive(const PackageArchive&) = delete;
  PackageArchive& operator=(const PackageArchive&) = delete;

  // Returns the text of the first member named exactly "+MANIFEST", or an
  // empty string when there is none, its data is empty, or its data cannot
  // be read in full. Members before it are skipped undecompressed where the
  // format allows. Writes "  skip (+MANIFEST larger than
  // <kMaxManifestBytes> bytes): <label>" and a line feed to `err` when the
  // member exceeds the bound.
  std::string read_manifest(std::string_view label, std::FILE* err);

  // Reads the members after the manifest and returns the SHA-256 of each:
  // of its data for a regular file, of its target text for a symbolic link
  // (an absolute target without its leading "/" and with a NUL byte after
  // it, as the package tool hashes links), of the data of its target for a
  // hard link. A member name without a leading "/" gets one; of two members
  // with one path the later counts, as it would on disk. A read error ends
  // the pass with the digests found so far.
  MemberDigests digest_remaining_members();

 private:
  struct Handles;
  explicit PackageArchive(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> handles_;
};

// Returns the manifest text of the package file at `path` (PackageArchive's
// open_file, then read_manifest), with their messages on `err`.
std::string read_manifest(const std::string& path, std::FILE* err);

// As read_manifest, for a package held in memory; `label` names it in the
// messages.
std::string read_manifest_from_memory(std::string_view bytes,
                                      std::string_view label, std::FILE* err);

}  // namespace zps
