#include "sbom/license_map.h"

#include <unordered_map>

namespace zps {
namespace {

// Ports license names and their SPDX identifiers. Quirks kept on purpose:
// the bare "MPL" is MPL 2.0, the GPL names have a lower-case "v", and the
// LGPL 3 names carry no trailing zero.
const std::unordered_map<std::string_view, std::string_view>& license_table() {
  static const std::unordered_map<std::string_view, std::string_view> table = {
      {"BSD2CLAUSE", "BSD-2-Clause"},
      {"BSD3CLAUSE", "BSD-3-Clause"},
      {"BSD4CLAUSE", "BSD-4-Clause"},
      {"MIT", "MIT"},
      {"APACHE10", "Apache-1.0"},
      {"APACHE11", "Apache-1.1"},
      {"APACHE20", "Apache-2.0"},
      {"GPLv2", "GPL-2.0-only"},
      {"GPLv2+", "GPL-2.0-or-later"},
      {"GPLv3", "GPL-3.0-only"},
      {"GPLv3+", "GPL-3.0-or-later"},
      {"LGPL20", "LGPL-2.0-only"},
      {"LGPL21", "LGPL-2.1-only"},
      {"LGPL21+", "LGPL-2.1-or-later"},
      {"LGPL3", "LGPL-3.0-only"},
      {"LGPL3+", "LGPL-3.0-or-later"},
      {"MPL", "MPL-2.0"},
      {"MPL10", "MPL-1.0"},
      {"MPL11", "MPL-1.1"},
      {"MPL20", "MPL-2.0"},
      {"CDDL", "CDDL-1.0"},
      {"ISC", "ISC"},
      {"ZLIB", "Zlib"},
      {"UNLICENSE", "Unlicense"},
      {"CC0-1.0", "CC0-1.0"},
      {"PostgreSQL", "PostgreSQL"},
      {"OpenSSL", "OpenSSL"},
  };
  return table;
}

}  // namespace

std::string map_license(std::string_view name) {
  const auto& table = license_table();
  auto found = table.find(name);
  if (found != table.end()) {
    return std::string(found->second);
  }
  return "LicenseRef-" + std::string(name);
}

}  // namespace zps
