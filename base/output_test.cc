#include "base/output.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

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

// Every way a run can give up midway (an allocation the C++ library cannot
// make, an exception it throws, a library calling exit) ends the process
// with status 1 and its reason alone on standard error, and leaves the
// earlier file at the output's path with no temporary file beside it.
TEST(OutputCleanup, EndsAFailedRunWithItsReasonAndNoPartialFile) {
  struct Case {
    const char* name;
    void (*fail)();
    std::string reason;
  };
  const Case cases[] = {
      {"bad_alloc", [] { throw std::bad_alloc(); },
       "Error: out of memory; no output file was written\n"},
      {"system_error",
       [] {
         throw std::system_error(
             std::make_error_code(std::errc::resource_unavailable_try_again));
       },
       "Error: out of resources (a thread or lock could not be had); no "
       "output file was written\n"},
      {"other exception", [] { throw 1; },
       "Error: internal failure; no output file was written\n"},
      {"exit before the run ended", [] { std::exit(3); },
       "\nError: out of memory; no output file was written\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.path("o");
    ASSERT_TRUE(write_file(path, "earlier"));
    EXPECT_EXIT(
        {
          install_output_cleanup();
          std::unique_ptr<OutputStream> out = OutputStream::open_file(path);
          write_text(out->get(), "partial");
          std::fflush(out->get());
          // Nothing may catch it: as in the product, which is built
          // without exceptions, it goes straight to std::terminate.
          [&c]() noexcept { c.fail(); }();
        },
        testing::ExitedWithCode(1), testing::Eq(c.reason));
    EXPECT_EQ(read_file(path), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root()),
                            std::filesystem::directory_iterator()),
              1);
  }
}

}  // namespace
}  // namespace zps
