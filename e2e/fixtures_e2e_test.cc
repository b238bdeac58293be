// The checksum list of packages made by the package tool itself (versions
// 2.3.1 and 2.7.5), checked against golden output and against what the
// package tool lists for the same files.
#include <dirent.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

const std::string kData = ZPS_E2E_DATA;
const std::string kGolden = ZPS_E2E_GOLDEN;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos;
       start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  return lines;
}

std::vector<std::string> sorted_packages(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".pkg") {
        names.push_back(name);
      }
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct ListedFile {
  std::string path;  // decoded
  std::string sum;   // as the package tool prints it, "1$" prefix included
};

// Reads what the package tool printed for "%Fp %Fs" for `package`.
std::vector<ListedFile> listed_files(const std::string& version,
                                     const std::string& package) {
  std::vector<ListedFile> files;
  std::string label = package.substr(0, package.size() - 4);
  for (const std::string& line : split_lines(read_file(
           kData + "/" + version + "/query/" + label + ".files.txt"))) {
    size_t space = line.rfind(' ');
    if (space == std::string::npos) {
      ADD_FAILURE() << "unexpected listing line " << line;
      continue;
    }
    files.push_back({line.substr(0, space), line.substr(space + 1)});
  }
  return files;
}

// Only this package's manifest is in the configuration syntax rather than
// JSON, so it does not parse.
constexpr std::string_view kUclSyntaxPackage = "expanded-manifest-1.0.pkg";

TEST(RealPackages, OutputMatchesTheGoldenFiles) {
  for (std::string version : {"pkg-2.3.1", "pkg-2.7.5", "pkg-2.8"}) {
    SCOPED_TRACE(version);
    ToolRun run = run_tool({version}, {kData, {}, ""});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, read_file(kGolden + "/" + version + ".out"));
    EXPECT_EQ(run.err, read_file(kGolden + "/" + version + ".err"));
  }
}

TEST(RealPackages, StringSumsListEveryFileThePackageToolLists) {
  // pkg 2.3.1 writes each file's sum as a plain string, so every file it
  // lists is taken, first package of a path wins.
  const std::string version = "pkg-2.3.1";
  std::set<std::string> seen;
  std::string want;
  for (const std::string& package : sorted_packages(kData + "/" + version)) {
    if (package == kUclSyntaxPackage) {
      continue;
    }
    for (const ListedFile& f : listed_files(version, package)) {
      if (seen.insert(f.path).second) {
        want += f.path + " sha256=" + f.sum.substr(2) + "\n";
      }
    }
  }
  ASSERT_GT(seen.size(), 300u);
  ToolRun run = run_tool({kData + "/" + version});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, want);
}

TEST(RealPackages, ObjectSumsListOnlyFilesThePackageToolLists) {
  const std::string version = "pkg-2.7.5";
  std::set<std::string> listed;
  for (const std::string& package : sorted_packages(kData + "/" + version)) {
    for (const ListedFile& f : listed_files(version, package)) {
      listed.insert(f.path + " sha256=" + f.sum.substr(2));
    }
  }
  ToolRun run = run_tool({kData + "/" + version});
  EXPECT_EQ(run.exit_status, 0);
  std::vector<std::string> lines = split_lines(run.out);
  EXPECT_GT(lines.size(), 25u);
  for (const std::string& line : lines) {
    EXPECT_EQ(listed.count(line), 1u) << line;
  }
  // Executables with their modes from the manifest: setuid, a file under
  // uefi-firmware with 0644, and a data file of an own package.
  for (std::string_view want :
       {"/usr/libexec/ssh-keysign sha256=", "/usr/local/bin/suidtool sha256=",
        "/boot/uefi-firmware/BHYVE_UEFI.fd sha256=",
        "/usr/local/etc/zelkorctl.conf sha256="}) {
    EXPECT_NE(run.out.find(want), std::string::npos) << want;
  }
  EXPECT_EQ(run.out.find("/usr/local/share/links/a.txt"), std::string::npos);
}

// pkg 2.8 writes BLAKE2b sums; the lines must still carry SHA-256. pkg
// 2.7.5 wrote the SHA-256 of the same inputs itself, and sha256sum of the
// payload bsdtar extracts must agree too.
TEST(RealPackages, Blake2SumsBecomeTheFilesSha256) {
  TempDir dir;
  ToolRun run = run_tool({kData + "/pkg-2.8"});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out.find("sha256=2$"), std::string::npos);
  // path -> the SHA-256 that pkg 2.7.5 wrote for the same package
  std::map<std::string, std::string> by_pkg;
  for (const std::string& package : sorted_packages(kData + "/pkg-2.8")) {
    for (const ListedFile& f : listed_files("pkg-2.7.5", package)) {
      by_pkg.emplace(f.path, f.sum.substr(2));
    }
  }
  std::vector<std::string> lines = split_lines(run.out);
  EXPECT_GE(lines.size(), 13u);
  size_t extracted = 0;
  for (const std::string& line : lines) {
    const size_t at = line.rfind(" sha256=");
    ASSERT_NE(at, std::string::npos) << line;
    const std::string path = line.substr(0, at);
    const std::string sum = line.substr(at + 8);
    EXPECT_EQ(sum, by_pkg[path]) << path;
    // Regular files: extract and hash independently.
    for (const std::string& package : sorted_packages(kData + "/pkg-2.8")) {
      ToolRun x = run_program({"sh", "-c",
                               "bsdtar -xOf \"$1\" \"$2\" 2>/dev/null | "
                               "sha256sum",
                               "sh", kData + "/pkg-2.8/" + package, path});
      const std::string empty_sha =
          "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
      if (x.exit_status == 0 && x.out.substr(0, 64) != empty_sha) {
        EXPECT_EQ(x.out.substr(0, 64), sum) << package << " " << path;
        ++extracted;
        break;
      }
    }
  }
  EXPECT_GE(extracted, 10u);
}

TEST(RealPackages, ASecondGenerationAddsOnlyNewPaths) {
  ToolRun first = run_tool({"pkg-2.3.1"}, {kData, {}, ""});
  ToolRun both = run_tool({"pkg-2.3.1", "pkg-2.7.5"}, {kData, {}, ""});
  EXPECT_EQ(both.exit_status, 0);
  EXPECT_EQ(both.out, first.out);  // 2.7.5 holds the same files
}

}  // namespace
}  // namespace zps
