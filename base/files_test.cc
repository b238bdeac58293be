#include "base/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testutil/temp_dir.h"

namespace zps {
namespace {

TEST(OpenRegularFile, RefusesAnythingElseWithoutWaiting) {
  TempDir dir;
  ASSERT_TRUE(write_file(dir.path("file"), "abc"));
  ASSERT_EQ(mkfifo(dir.path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink("file", dir.path("link").c_str()), 0);
  struct Case {
    std::string name, reason;  // empty reason: opened
  };
  const Case cases[] = {{"file", ""},
                        {"link", ""},
                        {"fifo", "not a regular file"},
                        {"", "not a regular file"},  // the directory
                        {"absent", "No such file or directory"}};
  for (const Case& c : cases) {
    std::string reason;
    UniqueFd fd = open_regular_file(dir.path(c.name).c_str(), &reason);
    EXPECT_EQ(fd.valid(), c.reason.empty()) << c.name;
    EXPECT_EQ(reason, c.reason) << c.name;
  }
}

TEST(ReadRegularFile, ReadsAtMostTheBound) {
  TempDir dir;
  const std::string big(20000, 'x');
  ASSERT_TRUE(write_file(dir.path("big"), big));
  EXPECT_EQ(read_regular_file(dir.path("big"), 1 << 20), big);
  EXPECT_EQ(read_regular_file(dir.path("big"), 8193), big.substr(0, 8193));
  EXPECT_EQ(read_regular_file(dir.root(), 10), std::nullopt);
}

}  // namespace
}  // namespace zps
