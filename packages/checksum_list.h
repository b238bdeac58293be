#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packages/manifest_document.h"
#include "packages/member_digests.h"
#include "packages/path_set.h"

namespace zps {

// One line-to-be of the checksum list: a file path (%-decoded) and its
// checksum text without the hash-type prefix (never empty). Both borrow
// from the parsed manifest or from the storage of their ChecksumList.
struct ChecksumEntry {
  std::string_view path;
  std::string_view checksum;
  // The manifest's sum is not SHA-256; the file's SHA-256 must come from
  // the archive before the entry can be written.
  bool needs_digest = false;
};

// The entries of one package, in manifest order, with the text that the
// entries point to when it is not in the manifest (decoded paths, digests).
struct ChecksumList {
  std::vector<ChecksumEntry> entries;
  std::deque<std::string> storage;  // stable addresses as it grows
  bool needs_digests = false;       // some entry has needs_digest set
  // Entries left out with a warning: one with a control byte, one without
  // a SHA-256.
  uint64_t left_out = 0;
};

// Returns true when `label` begins with "Zelkor" (case-sensitive): the
// maker's own packages, all of whose files are listed.
[[nodiscard]] bool is_own_package(std::string_view label);

// Reads `text` as strtoul does in base 8: leading white space, an optional
// sign, then the longest run of octal digits. No digits read as 0; a minus
// sign negates in unsigned arithmetic; a value above 64 bits reads as all
// bits set.
uint64_t read_octal(std::string_view text);

// Returns `text` without one hash-type prefix ("1$sha256$", "sha256:" or
// "1$", the first that matches; "1$" only when something follows it), or
// nothing when the entry is to be skipped because nothing remains. The
// result is a part of `text`.
std::optional<std::string_view> normalize_checksum(std::string_view text);

// Returns the checksum entries of the manifest `root`'s `files` object in
// its order, borrowing from the document of `root`. Paths are %-decoded
// first; a sum of type 0 (SHA-256 in the package tool's base32) becomes
// hex, one of another type other than 1 is marked needs_digest. Taken are:
// every file of an own package (`label` by is_own_package), or else the files
// whose `perm` has an execute bit, lacks one or is no string, and every path
// containing "uefi-firmware". Entries whose path or checksum holds an ASCII
// control byte other than TAB (0x00-0x08, 0x0A-0x1F, 0x7F: a line feed, a
// carriage return, a NUL byte, ...) are left out, each with
// "  warning: <label>: skipped a file
// entry with a line break or NUL byte" appended to `*messages`. With
// `verbose` set, a missing or non-object `files` is reported there too.
// Every message ends in a line feed.
ChecksumList collect_checksums(const ManifestValue& root,
                               std::string_view label, std::string* messages);

// Gives each entry of `list` marked needs_digest the hex of its path's
// digest in `digests`; an entry whose path has none is removed, with
// "  warning: <label>: no SHA-256 for <path> (the manifest sum is not
// SHA-256 and the archive holds no data for it)" and a line feed appended
// to `*messages`, or, when the members were not all read, "(the manifest
// sum is not SHA-256 and the package's members past <N> bytes of data were
// not read)".
void resolve_digests(ChecksumList* list, const MemberDigests& digests,
                     std::string_view label, std::string* messages);

// The checksum lines of one package, ready to be written: their text, and
// for each line where its path ends and its path's hash in the path set.
// Building them takes most of the work of writing, and needs nothing from
// the packages before, so the threads that read packages do it.
struct ChecksumLines {
  struct Line {
    size_t end = 0;        // one past the line's line feed in `text`
    size_t path_size = 0;  // the path is the line's first bytes
    uint32_t path_hash = 0;
  };
  std::string text;  // every line, in order, each ending in a line feed
  std::vector<Line> lines;
};

// Returns "<path> sha256=<checksum>" and a line feed for each entry of
// `list` in order, with the hash of each path (PathSet::hash). Entries
// still marked needs_digest are left out: such a sum is not SHA-256.
ChecksumLines build_lines(const ChecksumList& list);

// Writes to `out` each line of `lines` whose path is not in `seen_paths`,
// in order, and adds those paths to it. Write errors are left on `out`'s
// error flag for the caller to check.
void write_lines(const ChecksumLines& lines, PathSet* seen_paths,
                 std::FILE* out);

}  // namespace zps
