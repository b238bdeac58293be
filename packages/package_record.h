#pragma once

#include <string>
#include <vector>

#include "packages/manifest_document.h"

namespace zps {

// One local distfile of a package's source: where it is downloaded from and
// the Streebog-256 digest of the local copy (64 lower-case hex characters).
struct SourceDistribution {
  std::string url;
  std::string streebog256;
};

// One package's metadata for the SBOM documents, copied from its manifest,
// plus the provenance fields filled in for them. Every text is a byte
// string; empty means absent.
struct PackageRecord {
  std::string name;
  std::string version;
  std::string desc;
  std::string www;
  std::string maintainer;
  std::string origin;
  std::string ports_top_git_hash;  // annotations.ports_top_git_hash
  std::string cpe;  // annotations.cpe as a CPE 2.3 formatted string
  std::string vcs_url;
  // Where the source is, as SPDX's downloadLocation writes it
  // (git+https://host/account/project@ref, or a distfile's URL).
  std::string download_location;
  std::string purl;
  std::vector<std::string> licenses;  // in manifest order, as written
  std::vector<std::string> deps;      // keys of the deps object, in order
  std::vector<SourceDistribution> source_distributions;
};

// What a record keeps at most, so that a package of a few kilobytes cannot
// hold gigabytes until the SBOM stage; real packages stay far below. A list
// keeps its first values up to both bounds; a text keeps its first bytes
// (cut before a UTF-8 sequence that would not fit).
inline constexpr size_t kMaxRecordLicenses = 64;
inline constexpr size_t kMaxRecordLicenseBytes = 64 * 1024;  // all together
inline constexpr size_t kMaxRecordDeps = 10000;
inline constexpr size_t kMaxRecordDepBytes = 1024 * 1024;  // all together
inline constexpr size_t kMaxRecordDescBytes = 64 * 1024;
// The most characters the CycloneDX schemas allow in a version; as bytes,
// never more characters once written (a byte that is not UTF-8 becomes at
// most one U+FFFD), so the document stays valid for every package.
inline constexpr size_t kMaxRecordVersionBytes = 1024;
inline constexpr size_t kMaxRecordTextBytes = 4096;  // each other text

// Returns the record of the manifest whose root value is `root`: the string
// values of name, version, desc (%-decoded), www, maintainer and origin; the
// strings of `licenses` (an array, or a single value); the keys of a `deps`
// object; the string annotations.ports_top_git_hash; and the string
// annotations.cpe as cpe23_formatted_string writes it. Values of another
// kind leave their field empty. Where a field is cut to its bound, the
// field, its bound and a ", " go after `*cut` (which may be null). A
// non-empty cpe annotation that is not a CPE 2.3 name, or is longer than
// kMaxRecordTextBytes, leaves `cpe` empty and sets `*cpe_refused` (which
// may be null).
PackageRecord build_package_record(const ManifestValue& root,
                                   std::string* cut = nullptr,
                                   bool* cpe_refused = nullptr);

}  // namespace zps
