#include "sbom/cyclonedx_writer.h"

#include <gtest/gtest.h>

#include "testutil/memory_stream.h"

namespace zps {
namespace {

std::string cyclonedx_text(const CycloneDxProduct& product,
                           const std::vector<PackageRecord>& records) {
  MemoryStream out;
  write_cyclonedx(out.get(), product, "2026-12-07T01:02:03Z", records);
  return out.contents();
}

TEST(CycloneDxWriter, EmptyRunStillHasMetadataAndEmptyArrays) {
  EXPECT_EQ(cyclonedx_text({"repo", "", "", "no", "no"}, {}),
            R"json({
  "bomFormat": "CycloneDX",
  "specVersion": "1.6",
  "version": 1,
  "metadata": {
    "timestamp": "2026-12-07T01:02:03Z",
    "tools": {
      "components": [
        {"type": "application", "name": "zelkor-pkg-sign"}
      ]
    },
    "component": {
      "type": "operating-system",
      "name": "repo",
      "version": "",
      "manufacturer": {"name": ""}
    }
  },
  "components": [
  ],
  "dependencies": [

  ]
}
)json");
}

TEST(CycloneDxWriter, WritesComponentsAndTheDependencyGraph) {
  PackageRecord full;
  full.name = "curl";
  full.version = "8.9.1_1";
  full.purl = "pkg:github/curl/curl@8.9.1";
  full.desc = "Tool\x01 \"curl\"";
  full.maintainer = "ports@FreeBSD.org";
  full.licenses = {"BSD2CLAUSE", "Sleepycat2", ""};
  full.vcs_url = "https://github.com/curl/curl";
  full.source_distributions = {{"https://x/a.tgz", std::string(64, 'a')},
                               {"https://x/b.tgz", std::string(64, 'b')}};
  full.www = "https://curl.se/";
  full.deps = {"libfoo", "absent", "curl"};
  PackageRecord bare;
  bare.name = "libfoo";
  bare.deps = {"gone"};
  PackageRecord site;
  site.name = "w";
  site.version = "2";
  site.www = "https://w/";
  EXPECT_EQ(cyclonedx_text({"OS", "14.2", "Maker \"M\"", "maybe", ""},
                           {full, bare, site}),
            R"json({
  "bomFormat": "CycloneDX",
  "specVersion": "1.6",
  "version": 1,
  "metadata": {
    "timestamp": "2026-12-07T01:02:03Z",
    "tools": {
      "components": [
        {"type": "application", "name": "zelkor-pkg-sign"}
      ]
    },
    "component": {
      "type": "operating-system",
      "name": "OS",
      "version": "14.2",
      "manufacturer": {"name": "Maker \"M\""}
    }
  },
  "components": [
    {
      "type": "library",
      "bom-ref": "curl",
      "name": "curl",
      "version": "8.9.1_1",
      "purl": "pkg:github/curl/curl@8.9.1",
      "description": "Tool\u0001 \"curl\"",
      "supplier": {"name": "ports@FreeBSD.org"},
      "licenses": [{"license": {"id": "BSD-2-Clause"}}, {"license": {"name": "Sleepycat2"}}, {"license": {"name": ""}}],
      "externalReferences": [{"type": "vcs", "url": "https://github.com/curl/curl"}, {"type": "source-distribution", "url": "https://x/a.tgz", "hashes": [{"alg": "STREEBOG-256", "content": "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}]}, {"type": "source-distribution", "url": "https://x/b.tgz", "hashes": [{"alg": "STREEBOG-256", "content": "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"}]}, {"type": "website", "url": "https://curl.se/"}],
      "properties": [{"name": "GOST:attack_surface", "value": "maybe"}, {"name": "GOST:security_function", "value": ""}]
    },
    {
      "type": "library",
      "bom-ref": "libfoo",
      "name": "libfoo",
      "version": "",
      "properties": [{"name": "GOST:attack_surface", "value": "maybe"}, {"name": "GOST:security_function", "value": ""}]
    },
    {
      "type": "library",
      "bom-ref": "w",
      "name": "w",
      "version": "2",
      "externalReferences": [{"type": "website", "url": "https://w/"}],
      "properties": [{"name": "GOST:attack_surface", "value": "maybe"}, {"name": "GOST:security_function", "value": ""}]
    }
  ],
  "dependencies": [
    {"ref": "curl", "dependsOn": ["libfoo", "curl"]},
    {"ref": "libfoo"},
    {"ref": "w"}
  ]
}
)json");
}

}  // namespace
}  // namespace zps
