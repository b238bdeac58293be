#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packages/package_record.h"
#include "provenance/port_variables.h"

namespace zps {

// One distfile as a port's distinfo file describes it.
struct DistinfoEntry {
  std::string name;
  std::string sha256;            // the hex of its SHA256 line; empty: none
  std::optional<uint64_t> size;  // from its SIZE line, when it has one
};

// Returns the distfiles that the lines "SHA256 (<name>) = <hex>" and
// "SIZE (<name>) = <decimal>" of the distinfo text `text` name, in the
// order of their first line. Other lines, and lines without the brackets,
// with an empty name or with a value of the wrong form, are skipped.
std::vector<DistinfoEntry> parse_distinfo(std::string_view text);

// The digests of one file, from a single read of it.
struct DistfileDigests {
  std::string sha256;       // 64 lower-case hex characters
  std::string streebog256;  // 64 lower-case hex characters
  uint64_t size = 0;
};

// Reads the regular file at `path` (symbolic links followed) once and
// returns its SHA-256 and Streebog-256 digests and its size; nothing when
// it is missing or not a regular file (never waited on) or a read fails.
std::optional<DistfileDigests> hash_distfile(const std::string& path);

// Appends to `record->source_distributions` one entry per distfile that
// the port's distinfo file (`vars.distinfo_file`) lists, that
// `distfiles_dir` holds as a regular file (at the listed name, DIST_SUBDIR
// included) and that matches its distinfo lines (SHA-256 and, when given,
// size): the URL first_fetch_url gives for it (`master_site`, with a "/"
// added when it lacks one, serving a tree without the ports framework) and
// the Streebog-256 digest of the local copy. A local copy that does not
// match gets no entry and appends "  warning: <label>: distfile <name> does
// not match its distinfo (SIZE)" (or "(SHA256)") and a line feed to
// `*messages`; one whose name has no SHA256 line, "  warning: <label>:
// distfile <name> has no SHA256 in distinfo". Does nothing without a
// distinfo file or a distfiles directory; a distinfo file that cannot be
// read, a distfile without a URL, or one that is missing, gives fewer
// entries and no message.
void collect_source_distributions(PackageRecord* record,
                                  const PortVariables& vars,
                                  std::string_view master_site,
                                  std::string_view distfiles_dir,
                                  std::string_view label,
                                  std::string* messages);

}  // namespace zps
