#include "sbom/license_map.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(MapLicense, KnowsEveryPortsName) {
  struct Case {
    std::string_view name, want;
  };
  const Case cases[] = {
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
  static_assert(std::size(cases) == 27);
  for (const Case& c : cases) {
    EXPECT_EQ(map_license(c.name), c.want);
    EXPECT_EQ(map_license(c.name), c.want);  // the same on every call
  }
}

TEST(MapLicense, MissesBecomeLicenseRefsOfTheNameAsGiven) {
  for (std::string_view name :
       {"mit", "Zlib", "Apache-2.0", "BSD-3-Clause", " MIT", "MIT ", "",
        "LGPL20+", "Sleepycat2", "GPLV2"}) {
    EXPECT_EQ(map_license(name), "LicenseRef-" + std::string(name));
  }
}

}  // namespace
}  // namespace zps
