#include "base/output.h"

#include <filesystem>

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

// A completed file reaches its path only through put_in_place; dropped
// before that, the path keeps what it held and no temporary file is left.
TEST(OutputStream, CompletedFileWaitsToBePutInPlace) {
  struct Case {
    bool put_in_place;
    std::string want;
  };
  const Case cases[] = {{false, "earlier"}, {true, "new"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.put_in_place);
    TempDir dir;
    const std::string path = dir.path("o");
    ASSERT_TRUE(write_file(path, "earlier"));
    {
      std::unique_ptr<OutputStream> out = OutputStream::open_file(path);
      ASSERT_NE(out, nullptr);
      EXPECT_FALSE(out->put_in_place());  // not yet complete
      write_text(out->get(), "new");
      ASSERT_TRUE(out->complete());
      EXPECT_EQ(read_file(path), "earlier");
      if (c.put_in_place) {
        EXPECT_TRUE(out->put_in_place());
      }
    }
    EXPECT_EQ(read_file(path), c.want);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root()),
                            std::filesystem::directory_iterator()),
              1);
  }
}

}  // namespace
}  // namespace zps
