#include "base/output.h"

#include <gtest/gtest.h>

#include "testutil/temp_dir.h"

namespace zps {
namespace {

TEST(OutputStream, WritesAFileAndReportsAFailedWrite) {
  TempDir dir;
  std::unique_ptr<OutputStream> good = OutputStream::open_file(dir.path("o"));
  ASSERT_NE(good, nullptr);
  write_text(good->get(), std::string_view("a\0b", 3));
  EXPECT_TRUE(good->finish());
  EXPECT_EQ(read_file(dir.path("o")), std::string("a\0b", 3));

  std::unique_ptr<OutputStream> full = OutputStream::open_file("/dev/full");
  ASSERT_NE(full, nullptr);
  write_text(full->get(), "x");
  EXPECT_FALSE(full->finish());
  EXPECT_EQ(OutputStream::open_file(dir.root() + "/no/such/x"), nullptr);
}

}  // namespace
}  // namespace zps
