#include "sbom/sbom_stage.h"

#include <gtest/gtest.h>

#include "testutil/memory_stream.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

TEST(SbomProductName, FollowsAppNameOrTheFirstRepository) {
  struct Case {
    std::string app_name;
    std::vector<std::string> repos;
    std::string want;
  };
  const Case cases[] = {
      {"My OS", {"/data/repo"}, "My OS"},
      {"", {"/data/repo"}, "repo"},
      {"", {"/srv/repo.d"}, "repo"},
      {"", {"/data/repo", "/other"}, "repo-combined"},
      {"", {"/data/repo", "/data/repo"}, "repo-combined"},
      {"", {"/data/repo/"}, ""},
      {"", {"/data/repo/", "/x"}, "-combined"},
      {"", {"relative"}, "relative"},
      {"", {"."}, "."},
      {"", {".."}, ".."},
      {"", {"/x/.hidden"}, ".hidden"},
      {"", {"/x/.a.b"}, ".a"},
      {"", {"a.b.c"}, "a.b"},
      {"", {""}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.repos.front());
    EXPECT_EQ(sbom_product_name(c.app_name, c.repos), c.want);
  }
}

TEST(SbomStage, ReportsEachDocumentOrStopsAtTheFirstFailure) {
  TempDir dir;
  std::vector<PackageRecord> records(2);
  records[0].name = "a";
  records[1].name = "b";
  struct Case {
    std::string name;
    std::string spdx, cdx;
    int status;
    std::string err;
  };
  const std::string spdx = dir.path("s.json");
  const std::string cdx = dir.path("c.json");
  const std::string missing = dir.root() + "/no/such/x.json";
  const Case cases[] = {
      {"nothing wanted", "", "", 0, ""},
      {"both", spdx, cdx, 0,
       "SPDX SBOM: 2 packages written to " + spdx +
           "\nCycloneDX SBOM: 2 packages written to " + cdx + "\n"},
      {"spdx cannot open", missing, cdx, 1,
       "Error: cannot open SBOM output file " + missing + "\n"},
      {"spdx cannot write", "/dev/full", cdx, 1,
       "Error: cannot write SBOM output file /dev/full\n"},
      {"cyclonedx cannot open", spdx, missing, 1,
       "SPDX SBOM: 2 packages written to " + spdx +
           "\nError: cannot open CycloneDX output file " + missing + "\n"},
      {"cyclonedx cannot write", "", "/dev/full", 1,
       "Error: cannot write CycloneDX output file /dev/full\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(cdx.c_str());
    SbomSettings settings;
    settings.spdx_path = c.spdx;
    settings.cyclonedx_path = c.cdx;
    settings.repo_dirs = {"/r"};
    MemoryStream err;
    EXPECT_EQ(run_sbom_stage(settings, records, err.get()), c.status);
    EXPECT_EQ(err.contents(), c.err);
  }
  // A failed SPDX document means no CycloneDX document at all.
  SbomSettings settings;
  settings.spdx_path = "/dev/full";
  settings.cyclonedx_path = cdx;
  MemoryStream err;
  EXPECT_EQ(run_sbom_stage(settings, records, err.get()), 1);
  EXPECT_EQ(read_file(cdx), "");
}

}  // namespace
}  // namespace zps
