// The checksum list from the command line: exact standard output, standard
// error and exit status of the built tool on packages written at test time.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "testutil/package_writer.h"
#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

std::string file_entry(std::string_view path, std::string_view sum,
                       std::string_view perm) {
  return "\"" + std::string(path) + "\":{\"sum\":\"1$" + std::string(sum) +
         "\",\"uname\":\"root\",\"gname\":\"wheel\",\"perm\":\"" +
         std::string(perm) + "\"}";
}

// Writes a package as the package tool lays it out: compact manifest,
// manifest, then the payload.
void put_package(const std::string& path, std::string_view name,
                 std::string_view files_json,
                 std::string_view filter = "zstd") {
  std::string manifest = realistic_manifest(name, "1.0", files_json);
  ASSERT_TRUE(write_package(
      path,
      {{"+COMPACT_MANIFEST", "{\"name\":\"x\"}"},
       {"+MANIFEST", manifest},
       {"/usr/local/bin/" + std::string(name), std::string(20000, 'b'), 0755}},
      filter));
}

TEST(ChecksumList, WritesExecutablesOfEveryPackageInOrder) {
  TempDir dir;
  put_package(dir.path("r/b.pkg"), "b",
              "{" + file_entry("/usr/local/bin/b", "bb", "0755") + "," +
                  file_entry("/usr/local/share/b/README", "b0", "0644") + "," +
                  file_entry("/usr/local/bin/shared", "b1", "0555") + "}",
              "xz");
  put_package(dir.path("r/a.pkg"), "a",
              "{" + file_entry("/usr/local/bin/shared", "a1", "0755") + "," +
                  file_entry("/usr/local/sbin/a d", "aa", "4755") + "}",
              "gzip");
  put_package(dir.path("r/Zelkor-agent-1.0.pkg"), "Zelkor-agent",
              "{" + file_entry("/usr/local/etc/agent.conf", "cc", "0644") + "}",
              "");
  const std::string r = dir.root() + "/r";
  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out,
            "/usr/local/etc/agent.conf sha256=cc\n"
            "/usr/local/bin/shared sha256=a1\n"
            "/usr/local/sbin/a d sha256=aa\n"
            "/usr/local/bin/b sha256=bb\n");
  EXPECT_EQ(run.err, found_line(3, r) + done_line(3, 5));
}

TEST(ChecksumList, SecondRepositoryRepeatsNoPathButCountsAgain) {
  TempDir dir;
  put_package(dir.path("r1/All/p.pkg"), "p",
              "{" + file_entry("/bin/p", "11", "0755") + "}");
  put_package(dir.path("r1/ignored.pkg"), "ignored",
              "{" + file_entry("/bin/ignored", "99", "0755") + "}");
  put_package(dir.path("r2/q.pkg"), "q",
              "{" + file_entry("/bin/p", "22", "0755") + "," +
                  file_entry("/bin/q", "33", "0755") + "}");
  const std::string r1 = dir.root() + "/r1/";
  const std::string r2 = dir.root() + "/r2";
  ToolRun run = run_tool({r1, "-r", r2, r1});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, "/bin/p sha256=11\n/bin/q sha256=33\n");
  EXPECT_EQ(run.err, found_line(1, r1 + "All") + found_line(1, r2) +
                         found_line(1, r1 + "All") + done_line(3, 4));
}

TEST(ChecksumList, StopsAtARepositoryThatIsNotADirectory) {
  TempDir dir;
  put_package(dir.path("a/p.pkg"), "p",
              "{" + file_entry("/bin/p", "11", "0755") + "}");
  ASSERT_TRUE(write_file(dir.path("b"), "not a directory"));
  ASSERT_TRUE(write_file(dir.path("c/All"), "a file named All"));
  const std::string a = dir.root() + "/a";
  for (const std::string& bad :
       {dir.root() + "/b", dir.root() + "/c", dir.root() + "/missing"}) {
    SCOPED_TRACE(bad);
    ToolRun run = run_tool({a, bad, a});
    const std::string shown = bad == dir.root() + "/c" ? bad + "/All" : bad;
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "/bin/p sha256=11\n");
    EXPECT_EQ(run.err, found_line(1, a) + "Error: \"" + shown +
                           "\" is not a directory\n");
  }
}

TEST(ChecksumList, BadPackagesAreReportedAndTheRunGoesOn) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  put_package(dir.path("r/a-good.pkg"), "a-good",
              "{" + file_entry("/bin/good", "600d", "0755") + "}");
  ASSERT_TRUE(write_file(dir.path("r/b-garbage.pkg"), std::string(3000, 'x')));
  ASSERT_TRUE(write_file(dir.path("r/c-empty.pkg"), ""));
  ASSERT_TRUE(write_package(dir.path("r/d-nomanifest.pkg"),
                            {{"+COMPACT_MANIFEST", "{}"}}));
  ASSERT_TRUE(write_package(dir.path("r/e-broken.pkg"),
                            {{"+MANIFEST", "{\"name\":\"e\",}"}}));
  ASSERT_TRUE(write_package(
      dir.path("r/f-deep.pkg"),
      {{"+MANIFEST", std::string(100000, '[') + std::string(100000, ']')}}));
  ASSERT_TRUE(write_package(
      dir.path("r/g-forged.pkg"),
      {{"+MANIFEST",
        R"({"files":{"/bin/x\n/bin/sh sha256=0000":"1$aa","/bin/g":"1$gg"}})"}}));
  put_package(dir.path("r/z-last.pkg"), "z-last",
              "{" + file_entry("/bin/last", "1a57", "0755") + "}");
  ToolRun run = run_tool({r, "-v"});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out,
            "/bin/good sha256=600d\n/bin/g sha256=gg\n"
            "/bin/last sha256=1a57\n");
  const std::string keys =
      " keys: name origin version comment maintainer www abi arch prefix "
      "flatsize licenselogic licenses desc deps categories options "
      "annotations files directories\n";
  EXPECT_EQ(run.err,
            found_line(8, r) + "  [verbose] a-good" + keys +
                "  skip (cannot open): Unrecognized archive format\n"
                "  warning: no +MANIFEST in \"b-garbage.pkg\"\n"
                "  warning: no +MANIFEST in \"c-empty.pkg\"\n"
                "  warning: no +MANIFEST in \"d-nomanifest.pkg\"\n"
                "  UCL parse error (e-broken): Missing a name for object "
                "member. (offset 12)\n"
                "  UCL parse error (f-deep): Nesting deeper than 1000 levels. "
                "(offset 1001)\n"
                "  [verbose] g-forged keys: files\n"
                "  warning: g-forged: skipped a file entry with a line break "
                "or NUL byte\n"
                "  [verbose] z-last" +
                keys + done_line(5, 3));
}

TEST(ChecksumList, ProgressEveryFiveHundredCountedPackages) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  const std::string manifest = R"({"name":"n","files":{"/bin/same":"1$ab"}})";
  const std::string bytes = package_bytes({{"+MANIFEST", manifest}});
  ASSERT_FALSE(bytes.empty());
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(
        write_file(dir.path("r/p" + std::to_string(i) + ".pkg"), bytes));
  }
  for (int i = 0; i < 3; ++i) {  // not counted, yet part of the found total
    ASSERT_TRUE(write_file(dir.path("r/x" + std::to_string(i) + ".pkg"), ""));
  }
  ToolRun run = run_tool({r});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, "/bin/same sha256=ab\n");
  const std::string warnings =
      "  warning: no +MANIFEST in \"x0.pkg\"\n"
      "  warning: no +MANIFEST in \"x1.pkg\"\n"
      "  warning: no +MANIFEST in \"x2.pkg\"\n";
  EXPECT_EQ(run.err, found_line(1003, r) +
                         "  processed 500/1003 packages (500 files)...\n"
                         "  processed 1000/1003 packages (1000 files)...\n" +
                         warnings + done_line(1000, 1000));
}

TEST(ChecksumList, WritesToTheOutputFileAndReportsFailures) {
  TempDir dir;
  const std::string r = dir.root() + "/r";
  put_package(dir.path("r/p.pkg"), "p",
              "{" + file_entry("/bin/p", "11", "0755") + "}");
  const std::string lines = "/bin/p sha256=11\n";
  struct Case {
    std::string name;
    std::vector<std::string> args;
    ToolSettings settings;
    int status;
    std::string out;
    std::string err;
  };
  const Case cases[] = {
      {"to a file",
       {r, "-o", dir.root() + "/sums.txt"},
       {},
       0,
       "",
       found_line(1, r) + done_line(1, 1)},
      {"a dash is a file name",
       {r, "-o", "-"},
       {dir.root(), {}, ""},
       0,
       "",
       found_line(1, r) + done_line(1, 1)},
      {"an empty path is standard output",
       {r, "-o", ""},
       {},
       0,
       lines,
       found_line(1, r) + done_line(1, 1)},
      {"cannot open",
       {r, "-o", dir.root() + "/no/such/dir/x"},
       {},
       1,
       "",
       "Error: cannot open output file " + dir.root() + "/no/such/dir/x\n"},
      {"full disk",
       {r, "-o", "/dev/full"},
       {},
       1,
       "",
       found_line(1, r) + done_line(1, 1) +
           "Error: cannot write output file /dev/full\n"},
      {"standard output on a full disk",
       {r},
       {"", {}, "/dev/full"},
       1,
       "",
       found_line(1, r) + done_line(1, 1) +
           "Error: cannot write output file standard output\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolRun run = run_tool(c.args, c.settings);
    EXPECT_EQ(run.exit_status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
  }
  EXPECT_EQ(read_file(dir.root() + "/sums.txt"), lines);
  EXPECT_EQ(read_file(dir.root() + "/-"), lines);
}

TEST(ChecksumList, UsageErrorsWriteNothingToStandardOutput) {
  ToolRun none = run_tool({});
  EXPECT_EQ(none.exit_status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err.substr(0, 7 + std::string(tool_path()).size()),
            "Usage: " + std::string(tool_path()));

  ToolRun help = run_tool({"repo", "--help", "--bogus"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.err, none.err);

  ToolRun bad = run_tool({"--output=x", "repo"});
  EXPECT_EQ(bad.exit_status, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, "Unknown option: --output=x\n" + none.err);
}

}  // namespace
}  // namespace zps
