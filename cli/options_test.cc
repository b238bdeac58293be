#include "cli/options.h"

#include <gtest/gtest.h>

#include "packages/verbose.h"
#include "testutil/memory_stream.h"

namespace zps {
namespace {

struct Parsed {
  std::optional<int> status;
  RunOptions options;
  std::string err;
};

Parsed parse(std::vector<const char*> words) {
  words.insert(words.begin(), "zps");
  Parsed p;
  MemoryStream err;
  p.status = parse_command_line(static_cast<int>(words.size()), words.data(),
                                &p.options, err.get());
  p.err = err.contents();
  return p;
}

std::string usage() {
  MemoryStream err;
  print_usage("zps", err.get());
  return err.contents();
}

TEST(PrintUsage, StartsWithTheProgramNameAndEndsWithTheFormat) {
  const std::string text = usage();
  EXPECT_EQ(text.substr(0, 56),
            "Usage: zps [-r <repo-dir>]... [<repo-dir>...] [options]\n");
  EXPECT_NE(text.find("\n  --sbom-cyclonedx FILE  Generate SBOM in CycloneDX "
                      "1.6 JSON format\n"),
            std::string::npos);
  EXPECT_NE(text.find("\n                        the local distfile "
                      "(default: <ports-tree>/distfiles)\n"),
            std::string::npos);
  const std::string tail =
      "\nOutput format:\n  <file-path> sha256=<checksum>\n";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 30);
}

TEST(ParseCommandLine, EndsEarlyWithUsage) {
  struct Case {
    std::vector<const char*> words;
    int status;
    std::string prefix;  // what comes before the usage text
  };
  const Case cases[] = {
      {{}, 1, ""},
      {{"-v"}, 1, ""},
      {{"repo", "-h"}, 0, ""},
      {{"-h", "--bogus"}, 0, ""},
      {{"--help"}, 0, ""},
      {{"--bogus", "-h"}, 1, "Unknown option: --bogus\n"},
      {{"--output=x", "repo"}, 1, "Unknown option: --output=x\n"},
      {{"-ofile", "repo"}, 1, "Unknown option: -ofile\n"},
      {{"-vh", "repo"}, 1, "Unknown option: -vh\n"},
      {{"repo", "-"}, 1, "Unknown option: -\n"},
      {{"--Repo", "x"}, 1, "Unknown option: --Repo\n"},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.words);
    ASSERT_TRUE(p.status.has_value());
    EXPECT_EQ(*p.status, c.status);
    EXPECT_EQ(p.err, c.prefix + usage());
  }
}

TEST(ParseCommandLine, AnOptionWithoutItsValueIsUnknown) {
  for (const char* option :
       {"-r", "--repo", "-o", "--output", "--sbom-spdx", "--sbom-cyclonedx",
        "--app-name", "--app-version", "--manufacturer", "--ports-tree",
        "--attack-surface", "--security-function", "--internal-vcs-url",
        "--base-vcs-url", "--base-vcs-ref", "--distfiles"}) {
    SCOPED_TRACE(option);
    Parsed p = parse({"repo", option});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.err, "Unknown option: " + std::string(option) + "\n" + usage());
  }
}

TEST(ParseCommandLine, TakesValuesVerbatimAndKeepsRepositoryOrder) {
  Parsed p = parse({"-r",     "a",
                    "b",      "-r",
                    "c",      "a",
                    "",       "-o",
                    "-v",     "--output",
                    "final",  "--attack-surface",
                    "maybe",  "--security-function",
                    "",       "--app-name",
                    "x",      "--app-name",
                    "y",      "--sbom-spdx",
                    "s.json", "--sbom-cyclonedx",
                    "c.json", "--app-version",
                    "1",      "--manufacturer",
                    "M",      "--ports-tree",
                    "/p",     "--internal-vcs-url",
                    "iu",     "--base-vcs-url",
                    "bu",     "--base-vcs-ref",
                    "br",     "--distfiles",
                    "/d"});
  ASSERT_FALSE(p.status.has_value()) << p.err;
  EXPECT_EQ(p.err, "");
  const RunOptions& o = p.options;
  EXPECT_EQ(o.repo_dirs, (std::vector<std::string>{"a", "b", "c", "a", ""}));
  EXPECT_EQ(o.output_path, "final");
  EXPECT_FALSE(o.verbose);
  EXPECT_EQ(o.attack_surface, "maybe");
  EXPECT_EQ(o.security_function, "");
  EXPECT_EQ(o.app_name, "y");
  EXPECT_EQ(o.sbom_spdx_path, "s.json");
  EXPECT_EQ(o.sbom_cyclonedx_path, "c.json");
  EXPECT_EQ(o.app_version, "1");
  EXPECT_EQ(o.manufacturer, "M");
  EXPECT_EQ(o.ports_tree, "/p");
  EXPECT_EQ(o.internal_vcs_url, "iu");
  EXPECT_EQ(o.base_vcs_url, "bu");
  EXPECT_EQ(o.base_vcs_ref, "br");
  EXPECT_EQ(o.distfiles_dir, "/d");
}

TEST(ParseCommandLine, DefaultsAndTheVerboseFlag) {
  Parsed quiet = parse({"repo"});
  ASSERT_FALSE(quiet.status.has_value());
  EXPECT_EQ(quiet.options.attack_surface, "no");
  EXPECT_EQ(quiet.options.security_function, "no");
  EXPECT_FALSE(verbose);

  Parsed loud = parse({"--verbose", "repo", "-o", "-v"});
  ASSERT_FALSE(loud.status.has_value());
  EXPECT_TRUE(loud.options.verbose);
  EXPECT_TRUE(verbose);
  EXPECT_EQ(loud.options.output_path, "-v");
  verbose = false;
}

}  // namespace
}  // namespace zps
