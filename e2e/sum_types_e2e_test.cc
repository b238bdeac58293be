// Packages whose manifests carry sums that are not SHA-256 hex: every line
// still carries the file's SHA-256 in hex, taken from the archive where
// needed, or is left out with a warning.
#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "testutil/package_writer.h"
#include "testutil/pkg_base32.h"
#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

// The SHA-256 of `bytes` as sha256sum prints it.
std::string sha256_hex(const TempDir& dir, std::string_view bytes) {
  const std::string path = dir.path("hash-input");
  EXPECT_TRUE(write_file(path, bytes));
  ToolRun run = run_program({"sha256sum", path});
  EXPECT_EQ(run.exit_status, 0);
  return run.out.substr(0, 64);
}

std::string bytes_of_hex(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(
        std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return out;
}

std::string entry(std::string_view path, std::string_view sum,
                  std::string_view perm) {
  return "\"" + std::string(path) + "\":{\"sum\":\"" + std::string(sum) +
         "\",\"perm\":\"" + std::string(perm) + "\"}";
}

TEST(SumTypes, EveryLineCarriesTheFilesSha256) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  const std::string a = sha256_hex(dir, "binary A\n");
  const std::string zero = sha256_hex(dir, "zero\n");
  const std::string rel = sha256_hex(dir, "relative\n");
  const std::string b32 = "0$" + encode_pkg_base32(bytes_of_hex(zero));

  // Type 1 (hex) as before.
  ASSERT_TRUE(write_package(
      dir.path("r/a-hex.pkg"),
      {{"+MANIFEST", "{\"name\":\"hex\",\"files\":{" +
                         entry("/usr/bin/hexed", "1$" + a, "0755") + "}}"}}));
  // Type 0 (base32 SHA-256) is decoded; no archive data is needed.
  ASSERT_TRUE(write_package(
      dir.path("r/b-b32.pkg"),
      {{"+MANIFEST", "{\"name\":\"b32\",\"files\":{" +
                         entry("/usr/bin/zero", b32, "0755") + "}}"}}));
  // Type 2 (BLAKE2b, here any text): digests come from the archive.
  const std::string files = "{" + entry("/usr/bin/a", "2$x", "0755") + "," +
                            entry("/usr/bin/lnk", "2$x", "0777") + "," +
                            entry("/usr/bin/abs", "2$x", "0777") + "," +
                            entry("/usr/bin/hard", "2$x", "0755") + "," +
                            entry("/usr/bin/rel", "2$x", "0755") + "," +
                            entry("/usr/bin/missing", "2$x", "0755") + "," +
                            entry("/usr/bin/bad\\nline", "2$x", "0755") + "," +
                            entry("/usr/share/doc", "2$x", "0644") + "," +
                            entry("/usr/bin/hexed", "2$x", "0755") + "," +
                            entry("/usr/bin/caf%c3%a9", "9$x", "0755") + "}";
  ASSERT_TRUE(write_package(
      dir.path("r/c-blake.pkg"),
      {{"+COMPACT_MANIFEST", "{}"},
       {"+MANIFEST", "{\"name\":\"blake\",\"files\":" + files + "}"},
       {"/usr/bin/a", "binary A\n", 0755},
       PackageMember::symbolic_link("/usr/bin/lnk", "a"),
       PackageMember::symbolic_link("/usr/bin/abs", "/usr/bin/a"),
       PackageMember::hard_link("/usr/bin/hard", "/usr/bin/a", 0755),
       {"usr/bin/rel", "relative\n", 0755},
       {"/usr/share/doc", "docs\n"},
       {"/usr/bin/hexed", "other content\n", 0755},
       {"/usr/bin/caf\xC3\xA9", "binary A\n", 0755}},
      "xz"));

  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(
      run.out,
      "/usr/bin/hexed sha256=" + a + "\n" + "/usr/bin/zero sha256=" + zero +
          "\n" + "/usr/bin/a sha256=" + a + "\n" + "/usr/bin/lnk sha256=" +
          sha256_hex(dir, "a") + "\n" + "/usr/bin/abs sha256=" +
          sha256_hex(dir, std::string("usr/bin/a\0", 10)) + "\n" +
          "/usr/bin/hard sha256=" + a + "\n" + "/usr/bin/rel sha256=" + rel +
          "\n" + "/usr/bin/caf\xC3\xA9 sha256=" + a + "\n");
  // The line-break warning first, then the missing digest; /usr/bin/hexed
  // was written by an earlier package and still counts.
  EXPECT_EQ(run.err,
            found_line(3, r) +
                "  warning: c-blake: skipped a file entry with a line break "
                "or NUL byte\n"
                "  warning: c-blake: no SHA-256 for /usr/bin/missing (the "
                "manifest sum is not SHA-256 and the archive holds no data "
                "for it)\n" +
                done_line(3, 9));
  EXPECT_EQ(run.out.find("sha256=2$"), std::string::npos);
}

TEST(SumTypes, AMissingMemberInATruncatedArchiveIsReported) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  std::string bytes = package_bytes(
      {{"+MANIFEST", "{\"name\":\"t\",\"files\":{" +
                         entry("/usr/bin/first", "2$x", "0755") + "," +
                         entry("/usr/bin/late", "2$x", "0755") + "}}"},
       {"/usr/bin/first", "first\n", 0755},
       {"/usr/bin/late", std::string(200000, 'z'), 0755}},
      "");
  ASSERT_FALSE(bytes.empty());
  ASSERT_TRUE(write_file(dir.path("r/t.pkg"), bytes.substr(0, 100000)));
  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out,
            "/usr/bin/first sha256=" + sha256_hex(dir, "first\n") + "\n");
  EXPECT_EQ(run.err, found_line(1, r) +
                         "  warning: t: no SHA-256 for /usr/bin/late (the "
                         "manifest sum is not SHA-256 and the archive holds "
                         "no data for it)\n" +
                         done_line(1, 1));
}

}  // namespace
}  // namespace zps
