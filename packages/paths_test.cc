#include "packages/paths.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(JoinPath, PutsOneSlashUnlessRightIsAbsolute) {
  struct Case {
    std::string_view left, right, want;
  };
  const Case cases[] = {
      {"repo", "All", "repo/All"},
      {"repo/", "All", "repo/All"},
      {"", "All", "All"},
      {"repo", "/abs/x", "/abs/x"},
      {"repo//", "x", "repo//x"},  // nothing is normalised
      {"/", "x", "/x"},
      {"a", "", "a/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.left) + " + " + std::string(c.right));
    EXPECT_EQ(join_path(c.left, c.right), c.want);
  }
}

TEST(QuotedPath, EscapesQuotesAndBackslashesOnly) {
  struct Case {
    std::string_view in, want;
  };
  const Case cases[] = {
      {"", R"("")"},
      {"/r/All", R"("/r/All")"},
      {R"(a"b)", R"("a\"b")"},
      {R"(a\b)", R"("a\\b")"},
      {"sp ace\n\xC3\xA9", "\"sp ace\n\xC3\xA9\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(quoted_path(c.in), c.want);
  }
}

TEST(PackageLabel, DropsDirectoryAndLastExtension) {
  struct Case {
    std::string_view path, name, label;
  };
  const Case cases[] = {
      {"/repo/All/curl-8.5.0.pkg", "curl-8.5.0.pkg", "curl-8.5.0"},
      {"x.tar.pkg", "x.tar.pkg", "x.tar"},
      {"dir/noext", "noext", "noext"},
      {"r/.pkg", ".pkg", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(file_name(c.path), c.name);
    EXPECT_EQ(package_label(c.path), c.label);
  }
}

}  // namespace
}  // namespace zps
