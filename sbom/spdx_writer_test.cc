#include "sbom/spdx_writer.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(SpdxLicenseExpression, JoinsMappedNamesWithAnd) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "NOASSERTION"},
      {{"GPLv2+"}, "GPL-2.0-or-later"},
      {{"Sleepycat2"}, "LicenseRef-Sleepycat2"},
      {{"mit"}, "LicenseRef-mit"},
      {{" MIT"}, "LicenseRef- MIT"},
      {{"ZLIB", "MIT", "ZLIB"}, "(Zlib AND MIT AND Zlib)"}};
  for (const auto& [licenses, want] : cases) {
    EXPECT_EQ(spdx_license_expression(licenses), want);
  }
}

TEST(AssignSpdxIds, SuffixesLaterClashesWithTheFirstFreeNumber) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] =
      {{{"a", "b"}, {"SPDXRef-a", "SPDXRef-b"}},
       {{"foo_bar", "foo+bar", "foo bar"},
        {"SPDXRef-foo-bar", "SPDXRef-foo-bar-2", "SPDXRef-foo-bar-3"}},
       // A later name whose own identifier an earlier suffix took.
       {{"x_y", "x+y", "x-y-2", "x-y"},
        {"SPDXRef-x-y", "SPDXRef-x-y-2", "SPDXRef-x-y-2-2", "SPDXRef-x-y-3"}},
       // The document's own identifier is taken from the start.
       {{"DOCUMENT", "DOCUMENT", "DOCUMENT-2"},
        {"SPDXRef-DOCUMENT-2", "SPDXRef-DOCUMENT-3", "SPDXRef-DOCUMENT-2-2"}}};
  for (const auto& [names, want] : cases) {
    std::vector<PackageRecord> records(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      records[i].name = names[i];
    }
    EXPECT_EQ(assign_spdx_ids(records), want);
  }
}

}  // namespace
}  // namespace zps
