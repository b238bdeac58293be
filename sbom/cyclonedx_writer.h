#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "packages/package_record.h"

namespace zps {

// The product a CycloneDX document describes, and the GOST property values
// every component carries. Any text is written as given, escaped.
struct CycloneDxProduct {
  std::string name;
  std::string version;
  std::string manufacturer;
  std::string attack_surface = "no";
  std::string security_function = "no";
  // "1.6" or "1.7": the specVersion written, and how the distfile hash
  // algorithm is spelt ("STREEBOG-256" in 1.6, "Streebog-256" in 1.7).
  std::string spec_version = "1.6";
  std::string tool_version;  // metadata.tools.components[0].version
  // "urn:uuid:" and a UUID; empty: no serialNumber.
  std::string serial_number;
};

// One known vulnerability of components of the document. Every text is
// written as given, escaped.
struct CycloneDxVulnerability {
  std::string bom_ref;  // unique in the document
  std::string id;
  std::string source_name;
  std::string source_url;
  // Each CVE name is a reference with NVD as its source.
  std::vector<std::string> cves;
  std::string description;
  std::string published;  // date-times; empty: left out
  std::string updated;
  // The bom-ref of each affected component and its affected version.
  std::vector<std::pair<std::string, std::string>> affects;
};

// Writes the CycloneDX JSON document (of product.spec_version) of `records` to
// `out` in its fixed layout, with `timestamp` (written as it is) as the
// metadata timestamp. Each component's bom-ref is its package name, which the
// dependency entries refer to; its cpe and purl are its record's, when there
// are. With `vulnerabilities`, a "vulnerabilities" array of them, in their
// order, ends the document (empty when the list is); without, there is
// none. Write errors are left on `out`'s error flag.
void write_cyclonedx(
    std::FILE* out, const CycloneDxProduct& product, std::string_view timestamp,
    const std::vector<PackageRecord>& records,
    const std::vector<CycloneDxVulnerability>* vulnerabilities = nullptr);

}  // namespace zps
