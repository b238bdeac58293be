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

TEST(QuotedPath, EscapesQuotesAndBackslashesOnly) {
  EXPECT_EQ(quoted_path(""), R"("")");
  EXPECT_EQ(quoted_path("a\"b\\c d\n\xC3\xA9"), "\"a\\\"b\\\\c d\n\xC3\xA9\"");
}

TEST(FileName, IsWhatFollowsTheLastSlash) {
  EXPECT_EQ(file_name("/repo/All/curl-8.5.0.pkg"), "curl-8.5.0.pkg");
  EXPECT_EQ(file_name("noext"), "noext");
  EXPECT_EQ(file_name("dir/"), "");
}

}  // namespace
}  // namespace zps
