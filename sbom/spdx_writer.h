#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "packages/package_record.h"

namespace zps {

// The start of every SPDX document namespace; the product name and the
// creation time follow it.
inline constexpr std::string_view kSpdxNamespaceBase =
    "https://zelkor.example/spdx/";

// Returns the license expression of `licenses`: "NOASSERTION" for none,
// the mapped identifier alone for one, and "(" + the mapped identifiers
// joined by " AND " + ")" for more.
std::string spdx_license_expression(const std::vector<std::string>& licenses);

// Returns one SPDX identifier per record, in order: spdx_id of its name, or,
// when an earlier record or the document ("SPDXRef-DOCUMENT") already took
// that identifier, the identifier followed by "-" and the first n = 2, 3,
// ... that gives one not yet taken.
std::vector<std::string> assign_spdx_ids(
    const std::vector<PackageRecord>& records);

// Writes the SPDX 2.3 JSON document of `records` to `out` in its fixed
// layout, with `created` (written as it is) as the creation time and
// "Tool: zelkor-pkg-sign-<tool_version>" as its creator. A package's
// downloadLocation is its record's download_location, or NOASSERTION; its
// externalRefs hold its cpe (cpe23Type) and its purl, each when there is
// one. Write errors are left on `out`'s error flag.
void write_spdx(std::FILE* out, std::string_view product_name,
                std::string_view created, std::string_view tool_version,
                const std::vector<PackageRecord>& records);

}  // namespace zps
