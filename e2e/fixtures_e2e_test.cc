// The checksum list of packages made by the package tool itself (versions
// 2.3.1 and 2.7.5), checked against golden output and against what the
// package tool lists for the same files.
#include <dirent.h>

#include <algorithm>
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

// The package tool writes bytes 0x80-0xFF and "%" of a path %-encoded into
// the manifest; its listing shows them decoded.
std::string percent_encode(std::string_view path) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : path) {
    if (c >= 0x80 || c == '%') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

struct ListedFile {
  std::string path;  // as the manifest spells it
  std::string sum;   // without its "1$" prefix
};

// Reads what the package tool printed for "%Fp %Fs" for `package`.
std::vector<ListedFile> listed_files(const std::string& version,
                                     const std::string& package) {
  std::vector<ListedFile> files;
  std::string label = package.substr(0, package.size() - 4);
  for (const std::string& line : split_lines(read_file(
           kData + "/" + version + "/query/" + label + ".files.txt"))) {
    size_t space = line.rfind(' ');
    if (space == std::string::npos || line.compare(space + 1, 2, "1$") != 0) {
      ADD_FAILURE() << "unexpected listing line " << line;
      continue;
    }
    files.push_back(
        {percent_encode(line.substr(0, space)), line.substr(space + 3)});
  }
  return files;
}

// Only this package's manifest is in the configuration syntax rather than
// JSON, so it does not parse.
constexpr std::string_view kUclSyntaxPackage = "expanded-manifest-1.0.pkg";

TEST(RealPackages, OutputMatchesTheGoldenFiles) {
  for (std::string version : {"pkg-2.3.1", "pkg-2.7.5"}) {
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
        want += f.path + " sha256=" + f.sum + "\n";
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
      listed.insert(f.path + " sha256=" + f.sum);
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

TEST(RealPackages, ASecondGenerationAddsOnlyNewPaths) {
  ToolRun first = run_tool({"pkg-2.3.1"}, {kData, {}, ""});
  ToolRun both = run_tool({"pkg-2.3.1", "pkg-2.7.5"}, {kData, {}, ""});
  EXPECT_EQ(both.exit_status, 0);
  EXPECT_EQ(both.out, first.out);  // 2.7.5 holds the same files
}

}  // namespace
}  // namespace zps
