#include "packages/repository_scan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testutil/memory_stream.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

TEST(PackageExtension, IsExactlyDotPkgAfterTheLastDot) {
  struct Case {
    std::string_view name;
    bool want;
  };
  const Case cases[] = {
      {"x.pkg", true},  {"x.tar.pkg", true},  {".a.pkg", true},
      {"x.PKG", false}, {"x.pkg.sig", false}, {"x.pkgs", false},
      {".pkg", false},  {".", false},         {"..", false},
      {"pkg", false},   {"x.", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(has_package_extension(c.name), c.want);
  }
}

TEST(ResolveRepoDir, PrefersAnExistingAllOfAnyType) {
  TempDir dir;
  mkdir(dir.path("withall/All").c_str(), 0755);
  mkdir(dir.path("plain").c_str(), 0755);
  ASSERT_TRUE(write_file(dir.path("fileall/All"), "x"));
  ASSERT_EQ(symlink("/nonexistent", dir.path("dangling/All").c_str()), 0);
  mkdir(dir.path("linked/target").c_str(), 0755);
  ASSERT_EQ(symlink("target", dir.path("linked/All").c_str()), 0);

  const std::string r = dir.root();
  EXPECT_EQ(resolve_repo_dir(r + "/withall"), r + "/withall/All");
  EXPECT_EQ(resolve_repo_dir(r + "/withall/"), r + "/withall/All");
  EXPECT_EQ(resolve_repo_dir(r + "/plain"), r + "/plain");
  EXPECT_EQ(resolve_repo_dir(r + "/fileall"), r + "/fileall/All");
  EXPECT_FALSE(is_directory(r + "/fileall/All"));
  EXPECT_EQ(resolve_repo_dir(r + "/dangling"), r + "/dangling");
  EXPECT_EQ(resolve_repo_dir(r + "/linked"), r + "/linked/All");
  EXPECT_TRUE(is_directory(r + "/linked/All"));
  EXPECT_FALSE(is_directory(r + "/missing"));
}

TEST(ListPackages, KeepsRegularPkgFilesInByteOrder) {
  TempDir dir;
  for (const char* name : {"a.pkg", "a-1.pkg", "Z.pkg", "x.PKG", "x.pkg.sig",
                           ".pkg", "\xC3\xA9.pkg", "b.tar.pkg"}) {
    ASSERT_TRUE(write_file(dir.path(std::string("r/") + name), "x"));
  }
  mkdir(dir.path("r/sub.pkg").c_str(), 0755);
  ASSERT_EQ(symlink("a.pkg", dir.path("r/latest.pkg").c_str()), 0);
  ASSERT_EQ(symlink("gone", dir.path("r/dangling.pkg").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.path("r/fifo.pkg").c_str(), 0644), 0);

  MemoryStream err;
  const std::string r = dir.root() + "/r";
  auto packages = list_packages(r, err.get());
  ASSERT_TRUE(packages.has_value());
  const std::vector<std::string> want = {
      r + "/Z.pkg",     r + "/a-1.pkg",    r + "/a.pkg",
      r + "/b.tar.pkg", r + "/latest.pkg", r + "/\xC3\xA9.pkg"};
  EXPECT_EQ(*packages, want);
  EXPECT_EQ(err.contents(), "Found 6 packages in \"" + r + "\"\n");
}

TEST(ListPackages, ReportsAnEmptyDirectoryAndQuotesItsPath) {
  TempDir dir;
  const std::string r = dir.path("q\"b\\s");
  mkdir(r.c_str(), 0755);
  MemoryStream err;
  auto packages = list_packages(r, err.get());
  ASSERT_TRUE(packages.has_value());
  EXPECT_TRUE(packages->empty());
  EXPECT_EQ(err.contents(),
            "Found 0 packages in \"" + dir.root() + "/q\\\"b\\\\s\"\n");
}

TEST(ListPackages, ReportsADirectoryThatCannotBeListed) {
  TempDir dir;
  MemoryStream err;
  EXPECT_FALSE(list_packages(dir.root() + "/absent", err.get()).has_value());
  EXPECT_EQ(err.contents(), "Error: cannot list directory " + dir.root() +
                                "/absent: No such file or directory\n");
}

}  // namespace
}  // namespace zps
