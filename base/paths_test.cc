#include "base/paths.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(JoinPath, PutsOneSlashUnlessRightIsAbsolute) {
  struct Case {
    std::string_view left, right, want;
  };
  const Case cases[] = {
      {"repo", "All", "repo/All"}, {"repo/", "All", "repo/All"},
      {"", "All", "All"},          {"repo", "/abs/x", "/abs/x"},
      {"repo//", "x", "repo//x"},  {"a", "", "a/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(join_path(c.left, c.right), c.want) << c.left << " " << c.right;
  }
}

}  // namespace
}  // namespace zps
