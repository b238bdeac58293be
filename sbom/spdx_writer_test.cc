#include "sbom/spdx_writer.h"

#include <gtest/gtest.h>

#include "testutil/memory_stream.h"

namespace zps {
namespace {

PackageRecord named(std::string name) {
  PackageRecord r;
  r.name = std::move(name);
  return r;
}

std::string spdx_text(std::string_view product,
                      const std::vector<PackageRecord>& records) {
  MemoryStream out;
  write_spdx(out.get(), product, "2026-12-07T01:02:03Z", records);
  return out.contents();
}

TEST(SpdxWriter, EmptyRunGivesEmptyArrays) {
  EXPECT_EQ(spdx_text("repo", {}),
            R"json({
  "spdxVersion": "SPDX-2.3",
  "dataLicense": "CC0-1.0",
  "SPDXID": "SPDXRef-DOCUMENT",
  "name": "repo",
  "documentNamespace": "https://zelkor.example/spdx/repo-2026-12-07T01:02:03Z",
  "creationInfo": {
    "created": "2026-12-07T01:02:03Z",
    "creators": ["Tool: zelkor-pkg-sign"]
  },
  "documentDescribes": [],
  "packages": [
  ],
  "relationships": [
  ]
}
)json");
}

TEST(SpdxWriter, WritesPackagesAndRelationshipsInTheFixedLayout) {
  PackageRecord full;
  full.name = "curl";
  full.version = "8.9.1_1";
  full.desc = "Tool \"curl\"\tand\\lib\n";
  full.www = "https://curl.se/";
  full.maintainer = "ports@FreeBSD.org";
  full.origin = "ftp/curl";
  full.licenses = {"MIT", "Sleepycat2"};
  full.deps = {"libfoo", "absent", "curl", "libfoo"};
  full.vcs_url = "ignored by this writer";
  PackageRecord bare;
  bare.name = "libfoo";
  PackageRecord one;
  one.name = "z";
  one.version = "1";
  one.licenses = {"BSD2CLAUSE"};
  one.origin = "base";
  one.deps = {"curl"};
  EXPECT_EQ(spdx_text("R \"1\"", {full, bare, one}),
            R"json({
  "spdxVersion": "SPDX-2.3",
  "dataLicense": "CC0-1.0",
  "SPDXID": "SPDXRef-DOCUMENT",
  "name": "R \"1\"",
  "documentNamespace": "https://zelkor.example/spdx/R \"1\"-2026-12-07T01:02:03Z",
  "creationInfo": {
    "created": "2026-12-07T01:02:03Z",
    "creators": ["Tool: zelkor-pkg-sign"]
  },
  "documentDescribes": ["SPDXRef-curl", "SPDXRef-libfoo", "SPDXRef-z"],
  "packages": [
    {
      "SPDXID": "SPDXRef-curl",
      "name": "curl",
      "versionInfo": "8.9.1_1",
      "downloadLocation": "NOASSERTION",
      "filesAnalyzed": false,
      "supplier": "Organization: ports@FreeBSD.org",
      "homepage": "https://curl.se/",
      "licenseConcluded": "(MIT AND LicenseRef-Sleepycat2)",
      "licenseDeclared": "(MIT AND LicenseRef-Sleepycat2)",
      "copyrightText": "NOASSERTION",
      "description": "Tool \"curl\"\tand\\lib\n",
      "sourceInfo": "origin: ftp/curl"
    },
    {
      "SPDXID": "SPDXRef-libfoo",
      "name": "libfoo",
      "versionInfo": "",
      "downloadLocation": "NOASSERTION",
      "filesAnalyzed": false,
      "licenseConcluded": "NOASSERTION",
      "licenseDeclared": "NOASSERTION",
      "copyrightText": "NOASSERTION"
    },
    {
      "SPDXID": "SPDXRef-z",
      "name": "z",
      "versionInfo": "1",
      "downloadLocation": "NOASSERTION",
      "filesAnalyzed": false,
      "licenseConcluded": "BSD-2-Clause",
      "licenseDeclared": "BSD-2-Clause",
      "copyrightText": "NOASSERTION",
      "sourceInfo": "origin: base"
    }
  ],
  "relationships": [
    {"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES", "relatedSpdxElement": "SPDXRef-curl"},
    {"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES", "relatedSpdxElement": "SPDXRef-libfoo"},
    {"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES", "relatedSpdxElement": "SPDXRef-z"},
    {"spdxElementId": "SPDXRef-curl", "relationshipType": "DEPENDS_ON", "relatedSpdxElement": "SPDXRef-libfoo"},
    {"spdxElementId": "SPDXRef-curl", "relationshipType": "DEPENDS_ON", "relatedSpdxElement": "SPDXRef-curl"},
    {"spdxElementId": "SPDXRef-curl", "relationshipType": "DEPENDS_ON", "relatedSpdxElement": "SPDXRef-libfoo"},
    {"spdxElementId": "SPDXRef-z", "relationshipType": "DEPENDS_ON", "relatedSpdxElement": "SPDXRef-curl"}
  ]
}
)json");
}

TEST(SpdxLicenseExpression, JoinsMappedNamesWithAnd) {
  struct Case {
    std::vector<std::string> licenses;
    std::string want;
  };
  const Case cases[] = {
      {{}, "NOASSERTION"},
      {{"GPLv2+"}, "GPL-2.0-or-later"},
      {{"Sleepycat2"}, "LicenseRef-Sleepycat2"},
      {{"MIT", "ISC"}, "(MIT AND ISC)"},
      {{"ZLIB", "MIT", "ZLIB"}, "(Zlib AND MIT AND Zlib)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(spdx_license_expression(c.licenses), c.want);
  }
}

TEST(AssignSpdxIds, SuffixesLaterClashesWithTheFirstFreeNumber) {
  struct Case {
    std::vector<std::string> names;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{"a", "b"}, {"SPDXRef-a", "SPDXRef-b"}},
      {{"foo_bar", "foo+bar", "foo bar"},
       {"SPDXRef-foo-bar", "SPDXRef-foo-bar-2", "SPDXRef-foo-bar-3"}},
      // A later name whose own identifier an earlier suffix took.
      {{"x_y", "x+y", "x-y-2", "x-y"},
       {"SPDXRef-x-y", "SPDXRef-x-y-2", "SPDXRef-x-y-2-2", "SPDXRef-x-y-3"}},
  };
  for (const Case& c : cases) {
    std::vector<PackageRecord> records;
    for (const std::string& name : c.names) {
      records.push_back(named(name));
    }
    EXPECT_EQ(assign_spdx_ids(records), c.want);
  }
}

TEST(SpdxWriter, ClashingIdentifiersStayDistinctInRelationships) {
  PackageRecord a = named("foo_bar");
  PackageRecord b = named("foo+bar");
  b.deps = {"foo_bar"};
  const std::string text = spdx_text("p", {a, b});
  EXPECT_NE(text.find(R"("documentDescribes": ["SPDXRef-foo-bar", )"
                      R"("SPDXRef-foo-bar-2"],)"),
            std::string::npos);
  EXPECT_NE(text.find(R"({"spdxElementId": "SPDXRef-foo-bar-2", )"
                      R"("relationshipType": "DEPENDS_ON", )"
                      R"("relatedSpdxElement": "SPDXRef-foo-bar"})"),
            std::string::npos);
}

}  // namespace
}  // namespace zps
