#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/output.h"
#include "packages/package_record.h"
#include "sbom/cyclonedx_writer.h"

namespace zps {

// What the SBOM stage needs of the run's settings; empty paths mean the
// document is not wanted.
struct SbomSettings {
  std::string spdx_path;
  std::string cyclonedx_path;
  std::string app_name;
  std::vector<std::string> repo_dirs;  // as given on the command line
  std::string app_version;
  std::string manufacturer;
  std::string attack_surface = "no";
  std::string security_function = "no";
  std::string cyclonedx_version = "1.6";  // "1.6" or "1.7"
  // The time both documents give, as format_utc_timestamp writes it; empty:
  // the clock's when each is written. A given time also makes the CycloneDX
  // serial number one derived from the document (reproducible), where it
  // is otherwise random.
  std::string timestamp;
  std::string tool_version;  // written into both documents
};

// Returns the product name: `app_name` when non-empty; otherwise the last
// component of the first of `repo_dirs` without its final extension (a
// component "." or "..", or whose only "." leads, kept whole), with
// "-combined" appended when there are two or more repository directories.
std::string sbom_product_name(std::string_view app_name,
                              const std::vector<std::string>& repo_dirs);

// True when `settings` asks for any SBOM document, and so for the package
// records.
[[nodiscard]] bool wants_sbom(const SbomSettings& settings);

// Returns the CycloneDX serial number of the document `product` (whose
// serial_number is not read), `records` and `vulnerabilities` give with
// `timestamp`: "urn:uuid:" and, when `timestamp` is empty, a random
// (version 4) UUID; otherwise the name-based (version 5) UUID of the
// document's text without its serial number, so that the same text gets
// the same number. Empty when no UUID can be had.
std::string cyclonedx_serial_number(
    const CycloneDxProduct& product, std::string_view timestamp,
    const std::vector<PackageRecord>& records,
    const std::vector<CycloneDxVulnerability>* vulnerabilities = nullptr);

// A document written in full to its temporary file, not yet in place, and
// the line that reports it once it is ("SPDX SBOM: <n> packages written to
// <path>\n", "CycloneDX SBOM: ...").
struct CompletedDocument {
  std::unique_ptr<OutputStream> file;
  std::string report;
};

// Writes the requested documents of `records`, the CycloneDX one with
// `vulnerabilities` when given (see write_cyclonedx): the SPDX document first;
// when it fails, nothing more. Reports each failure on `err` by the
// writers' own messages. Appends each document written to `*documents`:
// the caller puts them in place (and reports them) once every output of
// the run is whole, or drops them, leaving the paths as they were. Returns
// 0, or 1 when a document could not be opened or written.
// Requires: documents != nullptr.
int run_sbom_stage(
    const SbomSettings& settings, const std::vector<PackageRecord>& records,
    std::FILE* err, std::vector<CompletedDocument>* documents,
    const std::vector<CycloneDxVulnerability>* vulnerabilities = nullptr);

}  // namespace zps
