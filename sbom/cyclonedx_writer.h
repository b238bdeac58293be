#pragma once

#include <cstdio>
#include <string>
#include <string_view>
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

// Writes the CycloneDX JSON document (of product.spec_version) of `records` to
// `out` in its fixed layout, with `timestamp` (written as it is) as the
// metadata timestamp. Each component's bom-ref is its package name, which the
// dependency entries refer to; its cpe and purl are its record's, when there
// are. Write errors are left on `out`'s error flag.
void write_cyclonedx(std::FILE* out, const CycloneDxProduct& product,
                     std::string_view timestamp,
                     const std::vector<PackageRecord>& records);

}  // namespace zps
