#include "sbom/sbom_stage.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(SbomProductName, FollowsAppNameOrTheFirstRepository) {
  struct Case {
    std::string app_name;
    std::vector<std::string> repos;
    std::string want;
  };
  const Case cases[] = {{"My OS", {"/data/repo"}, "My OS"},
                        {"", {"/srv/repo.d"}, "repo"},
                        {"", {"/data/repo", "/data/repo"}, "repo-combined"},
                        {"", {"/data/repo/"}, ""},
                        {"", {"/data/repo/", "/x"}, "-combined"},
                        {"", {".."}, ".."},
                        {"", {"/x/.hidden"}, ".hidden"},
                        {"", {"/x/.a.b"}, ".a"},
                        {"", {"a.b.c"}, "a.b"}};
  for (const Case& c : cases) {
    EXPECT_EQ(sbom_product_name(c.app_name, c.repos), c.want) << c.repos[0];
  }
}

}  // namespace
}  // namespace zps
