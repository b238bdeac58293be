// The SBOM documents from the command line: whole documents compared with
// golden files (the timestamp masked after its form is checked), validated
// against the official JSON schemas, and the stage's messages and status.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "testutil/package_writer.h"
#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

const std::string kGolden = ZPS_E2E_GOLDEN;
const std::string kData = ZPS_E2E_DATA;
const std::string kValidator = ZPS_SHARED_DIR "/tools/validate-sbom";
constexpr std::string_view kToken = "<TIMESTAMP>";

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Returns the 20-character UTC time that follows `key` in `doc`, after
// checking its form; empty when there is none of that form.
std::string timestamp_after(const std::string& doc, std::string_view key) {
  size_t at = doc.find(key);
  if (at == std::string::npos || at + key.size() + 20 > doc.size()) {
    return {};
  }
  std::string t = doc.substr(at + key.size(), 20);
  const std::string form = "dddd-dd-ddTdd:dd:ddZ";
  for (size_t i = 0; i < form.size(); ++i) {
    if (form[i] == 'd' ? !is_digit(t[i]) : t[i] != form[i]) {
      return {};
    }
  }
  return t;
}

// Replaces every occurrence of `time` in `doc` by kToken.
std::string masked(std::string doc, const std::string& time) {
  for (size_t at;
       !time.empty() && (at = doc.find(time)) != std::string::npos;) {
    doc.replace(at, time.size(), kToken);
  }
  return doc;
}

std::string masked_spdx(const std::string& doc) {
  std::string created = timestamp_after(doc, "\"created\": \"");
  EXPECT_FALSE(created.empty()) << "no creation time in the SPDX document";
  // The namespace carries the same time as the creation info.
  EXPECT_NE(doc.find(created + "\",\n  \"creationInfo\""), std::string::npos);
  return masked(doc, created);
}

std::string masked_cyclonedx(const std::string& doc) {
  std::string time = timestamp_after(doc, "\"timestamp\": \"");
  EXPECT_FALSE(time.empty()) << "no timestamp in the CycloneDX document";
  return masked(doc, time);
}

// Validates `path` as `kind` ("spdx" or "cyclonedx") with the official
// schemas. Skips the calling test when the shared tools are absent.
void expect_valid(std::string_view kind, const std::string& path) {
  struct stat st;
  if (stat(kValidator.c_str(), &st) != 0) {
    GTEST_SKIP() << "SBOM schema validation skipped: " << kValidator
                 << " is absent (the shared folder is not beside the project)";
  }
  // The validator runs on the python3 first on PATH, as its first line says.
  ToolRun run = run_program({kValidator, std::string(kind), path});
  EXPECT_EQ(run.exit_status, 0) << kind << " " << path << "\n"
                                << run.out << run.err;
}

std::string file_entry(std::string_view path, std::string_view perm) {
  return "\"" + std::string(path) +
         "\":{\"sum\":\"1$abcd\",\"uname\":\"root\",\"gname\":\"wheel\","
         "\"perm\":\"" +
         std::string(perm) + "\"}";
}

void put_manifest(const TempDir& dir, const std::string& file,
                  const std::string& manifest) {
  ASSERT_TRUE(write_package(
      dir.path(file), {{"+COMPACT_MANIFEST", "{}"}, {"+MANIFEST", manifest}}));
}

// A repository with what makes SBOM documents hard: two versions of one
// name, names whose SPDX identifiers clash, text that needs escaping,
// licenses the table lacks, a dependency cycle, a self-dependency and a
// dependency outside the set.
void make_hard_repository(const TempDir& dir) {
  put_manifest(dir, "r/All/a-curl-8.9.1.pkg",
               realistic_manifest(
                   "curl", "8.9.1",
                   "{" + file_entry("/usr/local/bin/curl", "0755") + "}"));
  put_manifest(dir, "r/All/b-curl-8.0.pkg",
               realistic_manifest("curl", "8.0", "{}"));
  put_manifest(
      dir, "r/All/c-libfoo.pkg",
      R"({"name":"libfoo","origin":"devel/libfoo","version":"2.3.1",)"
      R"("maintainer":"ports@FreeBSD.org","www":"https://example.org/libfoo",)"
      R"("licenselogic":"dual","licenses":["MIT","Sleepycat2"],)"
      R"("desc":"Foo \"library\"\\\n\ttabbed \u0001 caf\u00e9 100%",)"
      R"("deps":{"curl":{},"libfoo":{},"absent":{}},"files":{}})");
  put_manifest(dir, "r/All/d-foo_bar.pkg",
               R"({"name":"foo_bar","version":"1","deps":{"foo+bar":{}}})");
  put_manifest(dir, "r/All/e-foo+bar.pkg",
               R"({"name":"foo+bar","version":"1","licenses":[""],)"
               R"("deps":{"foo_bar":{}}})");
  put_manifest(dir, "r/All/f-noname.pkg", R"({"version":"1","files":{}})");
  put_manifest(dir, "r/All/g-broken.pkg", R"({"name":)");
}

TEST(Sbom, DocumentsMatchTheGoldenFilesAndValidate) {
  TempDir dir;
  make_hard_repository(dir);
  const std::string spdx = dir.root() + "/sbom.spdx.json";
  const std::string cdx = dir.root() + "/sbom.cdx.json";
  ToolRun run = run_tool({"r", "--sbom-spdx", spdx, "--sbom-cyclonedx", cdx,
                          "--app-version", "14.2", "--manufacturer",
                          "Zelkor \"Systems\"", "--attack-surface", "indirect"},
                         {dir.root(), {}, ""});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, "/usr/local/bin/curl sha256=abcd\n");
  EXPECT_EQ(run.err,
            "Found 7 packages in \"r/All\"\n"
            "  UCL parse error (g-broken): Invalid value. (offset 8)\n" +
                done_line(7, 1) + "SPDX SBOM: 4 packages written to " + spdx +
                "\nCycloneDX SBOM: 4 packages written to " + cdx + "\n");
  EXPECT_EQ(masked_spdx(read_file(spdx)),
            read_file(kGolden + "/hard.spdx.json"));
  EXPECT_EQ(masked_cyclonedx(read_file(cdx)),
            read_file(kGolden + "/hard.cdx.json"));
  expect_valid("spdx", spdx);
  expect_valid("cyclonedx", cdx);
}

TEST(Sbom, EmptyRepositoryGivesEmptyValidDocuments) {
  TempDir dir;
  mkdir(dir.path("empty").c_str(), 0755);
  const std::string spdx = dir.root() + "/e.spdx.json";
  const std::string cdx = dir.root() + "/e.cdx.json";
  ToolRun run =
      run_tool({"empty", "--sbom-spdx", spdx, "--sbom-cyclonedx", cdx},
               {dir.root(), {}, ""});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, found_line(0, "empty") + done_line(0, 0) +
                         "SPDX SBOM: 0 packages written to " + spdx +
                         "\nCycloneDX SBOM: 0 packages written to " + cdx +
                         "\n");
  EXPECT_EQ(masked_spdx(read_file(spdx)),
            read_file(kGolden + "/empty.spdx.json"));
  EXPECT_EQ(masked_cyclonedx(read_file(cdx)),
            read_file(kGolden + "/empty.cdx.json"));
  expect_valid("spdx", spdx);
  expect_valid("cyclonedx", cdx);
}

TEST(Sbom, RealPackagesGiveValidDocuments) {
  TempDir dir;
  for (std::string version : {"pkg-2.3.1", "pkg-2.7.5"}) {
    SCOPED_TRACE(version);
    const std::string spdx = dir.root() + "/" + version + ".spdx.json";
    const std::string cdx = dir.root() + "/" + version + ".cdx.json";
    ToolRun run = run_tool({kData + "/" + version, "--sbom-spdx", spdx,
                            "--sbom-cyclonedx", cdx, "-o", "/dev/null"});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    // 27 packages, one of which does not parse and two pairs share a name.
    EXPECT_NE(run.err.find("SPDX SBOM: 24 packages written to"),
              std::string::npos)
        << run.err;
    expect_valid("spdx", spdx);
    expect_valid("cyclonedx", cdx);
  }
}

TEST(Sbom, FailuresAreReportedAndEndWithStatusOne) {
  TempDir dir;
  put_manifest(
      dir, "r/p.pkg",
      realistic_manifest("p", "1", "{" + file_entry("/bin/p", "0755") + "}"));
  const std::string r = dir.root() + "/r";
  const std::string good = dir.root() + "/good.json";
  const std::string missing = dir.root() + "/no/such.json";
  struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string tail;  // what follows the summary line
    bool cyclonedx_written;
  };
  const Case cases[] = {
      {"spdx cannot open",
       {"--sbom-spdx", missing, "--sbom-cyclonedx", good},
       "Error: cannot open SBOM output file " + missing + "\n",
       false},
      {"spdx cannot write",
       {"--sbom-spdx", "/dev/full", "--sbom-cyclonedx", good},
       "Error: cannot write SBOM output file /dev/full\n",
       false},
      {"cyclonedx cannot open",
       {"--sbom-cyclonedx", missing},
       "Error: cannot open CycloneDX output file " + missing + "\n",
       false},
      {"cyclonedx cannot write",
       {"--sbom-cyclonedx", "/dev/full"},
       "Error: cannot write CycloneDX output file /dev/full\n",
       false},
      {"checksum output full, documents fine",
       {"-o", "/dev/full", "--sbom-cyclonedx", good},
       "CycloneDX SBOM: 1 packages written to " + good +
           "\nError: cannot write output file /dev/full\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(good.c_str());
    std::vector<std::string> args = {r};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ToolRun run = run_tool(args);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, found_line(1, r) + done_line(1, 1) + c.tail);
    struct stat st;
    EXPECT_EQ(stat(good.c_str(), &st) == 0, c.cyclonedx_written);
  }
}

}  // namespace
}  // namespace zps
