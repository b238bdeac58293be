#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "packages/checksum_list.h"
#include "packages/package_record.h"

namespace zps {

// What reading one package gave: everything the run needs of it, and the
// messages about it, which the caller reports.
struct PackageResult {
  // The manifest text was read, so the package counts as processed.
  bool counted = false;
  // The package's messages, each ending in a line feed, in the order they
  // arose: "  skip (cannot open): <label>: <reason>", "  skip (+MANIFEST
  // larger than <kMaxManifestBytes> bytes): <label>", "  skip (no +MANIFEST
  // in the first <kMaxManifestSearchBytes> bytes): <label>", "  warning: no
  // +MANIFEST in <quoted file name>", "  UCL parse error (<label>): <parser
  // message>", the verbose "  [verbose] <label> keys: ..." line, and those of
  // collect_checksums and resolve_digests.
  std::string messages;
  // The checksum lines, in manifest order, every digest resolved, each
  // path still to be checked against the paths written before.
  ChecksumLines checksums;
  // The package's record, when it was asked for and the manifest parsed.
  std::optional<PackageRecord> record;
  // What was left out, with a message: 1 for a package that could not be
  // read or whose manifest is missing or did not parse, plus the entries
  // left out (ChecksumList::left_out).
  uint64_t problems = 0;
};

// Reads the package file at `path`: opens it, reads and parses its
// manifest, collects its checksum entries (hashing the members whose
// manifest sums are not SHA-256) into lines, and builds its record when
// `wants_record` is set. Never fails: every problem is a message in the
// result. Writes nothing.
PackageResult read_package(const std::string& path, bool wants_record);

// As read_package, for the package bytes `bytes` whose file name is
// `file_name`.
PackageResult read_package_bytes(std::string_view bytes,
                                 std::string_view file_name, bool wants_record);

}  // namespace zps
