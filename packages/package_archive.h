#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "packages/member_digests.h"

namespace zps {

// The largest +MANIFEST text the tool reads, in bytes. Real manifests reach
// tens of MB; a member that declares or yields more is refused, so that a
// hostile size field or a decompression bomb cannot exhaust memory.
inline constexpr size_t kMaxManifestBytes = size_t{256} << 20;

// The memory all the manifests being read and parsed at one time may take
// together, however many threads read packages: a manifest's text and its
// parse take about twice its size, and a thread waits for that share
// before it reads the text (a manifest over the whole budget waits until it
// can be read alone).
inline constexpr size_t kManifestMemoryBudget = size_t{256} << 20;

// The most archive bytes, after decompression, read while looking for the
// manifest. The package tool writes it among the first members; a package
// that puts it after gigabytes is refused rather than decompressed.
inline constexpr uint64_t kMaxManifestSearchBytes = uint64_t{256} << 20;

// What looking for the manifest found.
enum class ManifestSearch {
  kFound,          // the text is the member's data
  kAbsent,         // no usable member: none, an empty one, or unreadable data
  kTooLarge,       // the member declares or yields more than kMaxManifestBytes
  kSearchTooLong,  // not within the first kMaxManifestSearchBytes
  kCannotHold,     // memory for the text could not be had
};

// Returns the bytes whose SHA-256 stands for a symbolic link with the
// target text `target`, as the package tool hashes links: the target
// itself, or, for an absolute one, the target without its leading "/" and
// with a NUL byte after it.
std::string symlink_hash_input(std::string_view target);

// Reads the regular file at `path` as one stream of bytes, decompressed
// when it is xz, gzip, bzip2 or zstd data and as it is otherwise, and hands
// them to `sink` block by block in order. Stops early, and returns true,
// when `sink` returns false. Returns false after setting `*reason` when the
// file cannot be opened or its data cannot be read or decompressed in full
// (a file that ends early included).
// Requires: reason != nullptr.
[[nodiscard]] bool read_decompressed_file(
    const std::string& path, const std::function<bool(std::string_view)>& sink,
    std::string* reason);

// One package archive, read front to back once: first up to its manifest,
// then, when asked, through the members after it. Reports nothing itself.
class PackageArchive {
 public:
  // Opens the package file at `path`, which must be a regular file (so that
  // a FIFO never blocks the read). Returns nullptr after setting `*reason`
  // to why it cannot be read as an archive.
  // Requires: reason != nullptr.
  static std::unique_ptr<PackageArchive> open_file(const std::string& path,
                                                   std::string* reason);

  // As open_file, for a package held in memory; `bytes` must outlive the
  // returned archive.
  static std::unique_ptr<PackageArchive> open_memory(std::string_view bytes,
                                                     std::string* reason);

  ~PackageArchive();
  PackageArchive(const PackageArchive&) = delete;
  PackageArchive& operator=(const PackageArchive&) = delete;

  // Looks for the first member named exactly "+MANIFEST" and, when it is
  // found with data, sets `*text` to that data. Members before it are
  // skipped undecompressed where the format allows. A member that cannot
  // be read in full counts as absent.
  // Requires: text != nullptr.
  ManifestSearch read_manifest(std::string* text);

  // Reads the members after the manifest and returns the SHA-256 of those
  // whose paths (each beginning with "/") are in `needed`: of its data for a
  // regular file, of its target text for a symbolic link (an absolute target
  // without its leading "/" and with a NUL byte after it, as the package
  // tool hashes links), of the data of its target for a hard link. A member
  // name without a leading "/" gets one; of two members with one path the
  // later counts, as it would on disk. Other members are skipped unhashed,
  // and the pass ends once every needed path has been seen: the members
  // after the last needed one are not read, so neither their damage nor a
  // later repeat of a needed path is seen. A needed hard link whose target
  // was skipped makes a second pass over the whole archive, which hashes
  // that target too. A read error ends a pass with the digests found so
  // far, and so does a member that would take the bytes hashed past the
  // package's bound (kMinHashedBytes, or kHashedBytesPerPackageByte times
  // the package's size if larger), which the result then names. Call it at
  // most once, after read_manifest found the manifest.
  MemberDigests digest_members(const std::vector<std::string_view>& needed);

 private:
  struct Handles;
  struct DigestPass;
  // Starts a reader of the package at its first byte. Returns false after
  // setting `*reason`.
  static bool start_reader(Handles* handles, std::string* reason);
  // Reopens the archive at its first byte and skips past the manifest.
  // Returns false when that fails.
  bool reopen_after_manifest();
  // Runs one pass over the members from the current one on.
  void digest_pass(DigestPass* pass);
  explicit PackageArchive(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> handles_;
};

}  // namespace zps
