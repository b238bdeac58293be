// Hostile and broken input: each bad package gets its message, the run goes
// on, and no other package loses a line.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "testutil/package_writer.h"
#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

std::string one_file_manifest(const std::string& path) {
  return "{\"name\":\"n\",\"files\":{\"" + path + "\":\"1$ab\"}}";
}

TEST(Hostile, TruncatedArchivesInEveryCompression) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  std::string noise;
  for (uint32_t x = 7; noise.size() < 300000; x = x * 1103515245 + 12345) {
    noise += static_cast<char>(x >> 16);
  }
  std::string want;
  size_t written = 0;
  int index = 0;
  for (std::string_view filter : {"zstd", "xz", "gzip", "bzip2", ""}) {
    const std::string bytes = package_bytes(
        {{"+MANIFEST", one_file_manifest("/bin/t" + std::to_string(index))},
         {"/bin/payload", noise, 0755}},
        filter);
    ASSERT_FALSE(bytes.empty());
    for (size_t cut :
         {size_t{0}, size_t{1}, bytes.size() / 3, bytes.size() - 1}) {
      const std::string name =
          "r/c" + std::to_string(index) + "-" + std::to_string(cut) + ".pkg";
      ASSERT_TRUE(write_file(dir.path(name), bytes.substr(0, cut)));
      ++written;
    }
    ++index;
  }
  // A good package sorts after all of them and keeps its line.
  ASSERT_TRUE(write_package(dir.path("r/z-good.pkg"),
                            {{"+MANIFEST", one_file_manifest("/bin/good")}}));
  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  // Cut a third of the way or one byte short, the manifest at the head is
  // still whole and its line is written; shorter files give warnings.
  EXPECT_NE(run.out.find("/bin/good sha256=ab\n"), std::string::npos);
  EXPECT_EQ(run.err.substr(0, found_line(written + 1, r).size()),
            found_line(written + 1, r));
  EXPECT_NE(run.err.find("Done: "), std::string::npos);
}

TEST(Hostile, StrangeFileNamesAreQuotedInMessages) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  const std::string names[] = {"sp ace.pkg", "quo\"te.pkg", "back\\slash.pkg",
                               "line\nfeed.pkg"};
  int i = 0;
  for (const std::string& name : names) {
    ASSERT_TRUE(write_package(
        dir.path("r/" + name),
        {{"+MANIFEST", one_file_manifest("/bin/f" + std::to_string(i++))}}));
  }
  ASSERT_TRUE(write_file(dir.path("r/em\"pty\\.pkg"), ""));
  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out,
            "/bin/f2 sha256=ab\n/bin/f3 sha256=ab\n/bin/f1 sha256=ab\n"
            "/bin/f0 sha256=ab\n");
  EXPECT_EQ(run.err, found_line(5, r) +
                         "  warning: no +MANIFEST in \"em\\\"pty\\\\.pkg\"\n" +
                         done_line(4, 4));
}

TEST(Hostile, ManyEntriesThatAreNotPackages) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  mkdir(r.c_str(), 0755);
  for (int i = 0; i < 100000; ++i) {
    ASSERT_TRUE(write_file(r + "/n" + std::to_string(i) + ".txt", ""));
  }
  ASSERT_TRUE(write_package(dir.path("r/p.pkg"),
                            {{"+MANIFEST", one_file_manifest("/bin/p")}}));
  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, "/bin/p sha256=ab\n");
  EXPECT_EQ(run.err, found_line(1, r) + done_line(1, 1));
}

TEST(Hostile, AMillionFileEntries) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  std::string manifest = "{\"name\":\"big\",\"files\":{";
  for (int i = 0; i < 1000000; ++i) {
    if (i > 0) {
      manifest += ',';
    }
    // Every tenth entry is executable.
    manifest += "\"/usr/share/big/f" + std::to_string(1000000 + i) +
                "\":{\"sum\":\"1$" + std::to_string(i) + "\",\"perm\":\"" +
                (i % 10 == 0 ? "0755" : "0644") + "\"}";
  }
  manifest += "}}";
  ASSERT_TRUE(write_package(dir.path("r/big.pkg"), {{"+MANIFEST", manifest}}));
  ToolRun run = run_tool({r, "-o", dir.root() + "/sums"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.err, found_line(1, r) + done_line(1, 100000));
  const std::string sums = read_file(dir.root() + "/sums");
  EXPECT_EQ(std::count(sums.begin(), sums.end(), '\n'), 100000);
  EXPECT_EQ(sums.substr(0, 34), "/usr/share/big/f1000000 sha256=0\n/");
}

TEST(Hostile, AManifestDeclaringAnEnormousSize) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  const std::string tar = tar_declaring_size(
      "+MANIFEST", one_file_manifest("/bin/x"), uint64_t{1} << 62);
  ASSERT_FALSE(tar.empty());
  ASSERT_TRUE(write_file(dir.path("r/huge.pkg"), tar));
  ASSERT_TRUE(write_package(dir.path("r/ok.pkg"),
                            {{"+MANIFEST", one_file_manifest("/bin/ok")}}));
  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, "/bin/ok sha256=ab\n");
  EXPECT_EQ(run.err, found_line(2, r) +
                         "  skip (+MANIFEST larger than 268435456 bytes): "
                         "huge\n  warning: no +MANIFEST in \"huge.pkg\"\n" +
                         done_line(1, 1));
}

}  // namespace
}  // namespace zps
