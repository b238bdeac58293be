// Provenance in the CycloneDX document, from a test ports tree: bmake
// answers the port queries through a `make` wrapper first on PATH, and git
// gives the tree's remote.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "e2e/ports_tree.h"
#include "testutil/package_writer.h"
#include "testutil/temp_dir.h"
#include "testutil/tool_runner.h"

namespace zps {
namespace {

const std::string kGolden = ZPS_E2E_GOLDEN;
const std::string kValidator = ZPS_SHARED_DIR "/tools/validate-sbom";

constexpr char kHash[] = "5f0c2a1b9e8d7c6b5a4f3e2d1c0b9a8f7e6d5c4b";

void put_package(const TempDir& dir, const std::string& file,
                 const std::string& name, const std::string& origin) {
  const std::string manifest =
      "{\"name\":\"" + name + "\",\"origin\":\"" + origin +
      "\",\"version\":\"1.0_1\",\"www\":\"https://example.org/" + name +
      "\",\"annotations\":{\"ports_top_git_hash\":\"" + kHash +
      "\"},\"files\":{}}";
  ASSERT_TRUE(write_package(dir.path("r/" + file), {{"+MANIFEST", manifest}}));
}

// Ports for every provenance rule, and packages built from them.
void make_ports_and_packages(const TempDir& dir, TestPortsTree* ports,
                             const std::string& evil_origin) {
  ports->add_port("devel/gh", {{"DISTVERSION", "2.0"},
                               {"USE_GITHUB", "yes"},
                               {"GH_ACCOUNT", "Foo"},
                               {"GH_PROJECT", "Bar"}});
  ports->add_port("devel/ghtag", {{"DISTVERSION", "2.0"},
                                  {"USE_GITHUB", "yes"},
                                  {"GH_ACCOUNT", "Foo"},
                                  {"GH_PROJECT", "Bar"},
                                  {"GH_TAGNAME", "RC-1.0"}});
  ports->add_port("devel/gl", {{"DISTVERSION", "3.0"},
                               {"USE_GITLAB", "yes"},
                               {"GL_SITE", "https://gitlab.example"},
                               {"GL_ACCOUNT", "grp"},
                               {"GL_PROJECT", "proj"},
                               {"GL_COMMIT", "0123abcd"},
                               {"GL_TAGNAME", "v3.0"}});
  ports->add_port("devel/gltag", {{"DISTVERSION", "3.0"},
                                  {"USE_GITLAB", "yes"},
                                  {"GL_ACCOUNT", "grp"},
                                  {"GL_PROJECT", "proj"},
                                  {"GL_TAGNAME", "v3.0"}});
  ports->add_port("devel/glver", {{"PORTVERSION", "3.1"},
                                  {"USE_GITLAB", "yes"},
                                  {"GL_ACCOUNT", "grp"},
                                  {"GL_PROJECT", "proj"}});
  ports->add_port(
      "devel/ghsite",
      {{"DISTVERSION", "9"},
       {"MASTER_SITES",
        "https://github.com/Acme/Tool.git/releases/download/v2.3/:src "
        "https://mirror.example/"}});
  ports->add_port("devel/dist",
                  {{"DISTVERSION", "1.0"},
                   {"MASTER_SITES", "https://dl.example/dist:DEFAULT,other"}},
                  "TIMESTAMP = 1700000000\n"
                  "SHA256 (dist-1.0.tar.gz) = 00\n"
                  "SIZE (dist-1.0.tar.gz) = 3\n"
                  "SHA256 (missing-1.0.tar.gz) = 00\n"
                  "SHA256 (fonts/extra-1.0.tgz) = 00\n");
  ports->add_port("devel/gharchive",
                  {{"PORTVERSION", "5.0"},
                   {"MASTER_SITES",
                    "https://github.com/Acme/Arch/archive/refs/tags/v5.0/"}});
  ports->add_port(
      "devel/portnum",
      {{"DISTVERSION", "1.0"}, {"MASTER_SITES", "https://dl.example:8080"}},
      "SHA256 (portnum-1.0.tgz) = 00\n");
  ports->add_port(
      "devel/nodist",
      {{"DISTVERSION", "1.0"}, {"MASTER_SITES", "https://dl.example:8080"}},
      "SHA256 (nodist-1.0.tar.gz) = 00\n");
  ports->add_port(evil_origin, {});
  ASSERT_TRUE(write_file(dir.path("distfiles/dist-1.0.tar.gz"), "abc"));
  ASSERT_TRUE(write_file(dir.path("distfiles/fonts/extra-1.0.tgz"), ""));
  ASSERT_TRUE(write_file(dir.path("distfiles/portnum-1.0.tgz"), "portnum"));

  put_package(dir, "a.pkg", "gh", "devel/gh");
  put_package(dir, "b.pkg", "ghtag", "devel/ghtag");
  put_package(dir, "c.pkg", "gl", "devel/gl");
  put_package(dir, "d.pkg", "gltag", "devel/gltag");
  put_package(dir, "e.pkg", "glver", "devel/glver");
  put_package(dir, "f.pkg", "ghsite", "devel/ghsite");
  put_package(dir, "g.pkg", "Dist-Pkg", "devel/dist");
  put_package(dir, "h.pkg", "nodist", "devel/nodist");
  put_package(dir, "h2.pkg", "gharchive", "devel/gharchive");
  put_package(dir, "h3.pkg", "portnum", "devel/portnum");
  put_package(dir, "i.pkg", "Zelkor-agent", "Zelkor/agent");
  put_package(dir, "j.pkg", "FreeBSD-runtime", "base");
  put_package(dir, "k.pkg", "unported", "devel/notinports");
  put_package(dir, "l.pkg", "evil", evil_origin);
}

std::string masked_timestamp(std::string doc) {
  const std::string key = "\"timestamp\": \"";
  size_t at = doc.find(key);
  if (at != std::string::npos) {
    doc.replace(at + key.size(), 20, "<TIMESTAMP>");
  }
  return doc;
}

void expect_valid_with_streebog(const std::string& path) {
  struct stat st;
  if (stat(kValidator.c_str(), &st) != 0) {
    GTEST_SKIP() << "SBOM schema validation skipped: " << kValidator
                 << " is absent (the shared folder is not beside the project)";
  }
  ToolRun run = run_program(
      {kValidator, "--allow-alg", "STREEBOG-256", "cyclonedx", path});
  EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
}

TEST(Provenance, EveryRuleFromAPortsTree) {
  TempDir dir;
  // Were the quoting broken, the shell would create `marker` in the working
  // directory.
  const std::string marker = dir.root() + "/marker";
  const std::string evil = "devel/x'; touch marker; '";
  TestPortsTree ports(dir.root(), dir.root() + "/ports");
  ports.set_remote("https://git.example/zelkor/ports.git");
  make_ports_and_packages(dir, &ports, evil);
  const std::string cdx = dir.root() + "/c.json";
  ToolRun run = run_tool(
      {"r", "--ports-tree", "ports", "--distfiles", dir.root() + "/distfiles",
       "--base-vcs-url", "https://git.example/src", "--base-vcs-ref",
       "releng/14.2", "--sbom-cyclonedx", cdx},
      {dir.root(), {ports.path_variable()}, ""});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(masked_timestamp(read_file(cdx)),
            read_file(kGolden + "/provenance.cdx.json"));
  // One make per package whose origin is a port of the tree, one git.
  EXPECT_EQ(ports.make_runs().size(), 11u);
  EXPECT_EQ(ports.git_runs(),
            (std::vector<std::string>{"-C " + dir.root() +
                                      "/ports remote get-url origin"}));
  struct stat st;
  EXPECT_NE(stat(marker.c_str(), &st), 0) << "a quoted origin ran a command";
  expect_valid_with_streebog(cdx);
}

TEST(Provenance, OnlySpdxRunsNoChildProcess) {
  TempDir dir;
  TestPortsTree ports(dir.root(), dir.root() + "/ports");
  ports.set_remote("https://git.example/zelkor/ports.git");
  make_ports_and_packages(dir, &ports, "devel/plain");
  ToolRun run = run_tool(
      {"r", "--ports-tree", "ports", "--sbom-spdx", dir.root() + "/s.json"},
      {dir.root(), {ports.path_variable()}, ""});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_TRUE(ports.make_runs().empty());
  EXPECT_TRUE(ports.git_runs().empty());
}

TEST(Provenance, TreeSpellingsAndAGivenInternalUrl) {
  struct Case {
    std::string name;
    std::string tree_dir;  // below the test directory
    std::string tree_arg;  // relative arguments are relative to it too
    std::vector<std::string> extra;
    std::string want_vcs;  // of the devel/nodist package (the fallback)
    size_t git_runs;
  };
  const std::string fallback =
      "/-/tree/5f0c2a1b9e8d7c6b5a4f3e2d1c0b9a8f7e6d5c4b/devel/nodist";
  const Case cases[] = {
      {"trailing slash",
       "ports",
       "ports/",
       {},
       "https://git.example/zelkor/ports" + fallback,
       1},
      {"a quote in the path",
       "po'rts",
       "po'rts",
       {},
       "https://git.example/zelkor/ports" + fallback,
       1},
      {"internal url given",
       "ports",
       "./ports",
       {"--internal-vcs-url", "https://other.example/p.git/"},
       "https://other.example/p.git/" + fallback,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    TestPortsTree ports(dir.root(), dir.root() + "/" + c.tree_dir);
    ports.set_remote("https://git.example/zelkor/ports.git");
    make_ports_and_packages(dir, &ports, "devel/plain");
    const std::string cdx = dir.root() + "/c.json";
    std::vector<std::string> args = {"r", "--ports-tree", c.tree_arg,
                                     "--sbom-cyclonedx", cdx};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ToolRun run = run_tool(args, {dir.root(), {ports.path_variable()}, ""});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    const std::string doc = read_file(cdx);
    EXPECT_NE(doc.find("{\"type\": \"vcs\", \"url\": \"" + c.want_vcs + "\"}"),
              std::string::npos)
        << doc;
    // The GitHub port was queried, so the tree was found.
    EXPECT_NE(doc.find("\"purl\": \"pkg:github/foo/bar@2.0\""),
              std::string::npos);
    EXPECT_EQ(ports.git_runs().size(), c.git_runs);
    EXPECT_EQ(ports.make_runs().size(), 11u);
  }
}

TEST(Provenance, AMakeThatPrintsTooMuchChangesNothingElse) {
  TempDir dir;
  TestPortsTree ports(dir.root(), dir.root() + "/ports");
  ports.add_port("devel/loud", {});
  // Line 2 (GH_ACCOUNT) is far longer than a value may be, and 30 lines
  // follow the 14 asked for.
  ports.set_make_body(
      "echo yes; head -c 20000 /dev/zero | tr '\\0' a; echo; echo Proj;"
      " for i in $(seq 1 41); do echo extra$i; done\n");
  put_package(dir, "a.pkg", "loud", "devel/loud");
  const std::string cdx = dir.root() + "/c.json";
  ToolRun run = run_tool({"r", "--ports-tree", "ports", "--internal-vcs-url",
                          "https://i.example", "--sbom-cyclonedx", cdx},
                         {dir.root(), {ports.path_variable()}, ""});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  const std::string doc = read_file(cdx);
  // No GitHub reference from an account that was not read; the lines
  // after the long one still map to their variables (USE_GITLAB is
  // "extra2", GL_SITE "extra3", ... GL_COMMIT "extra6").
  EXPECT_NE(doc.find("\"purl\": \"pkg:generic/loud@1.0_1\""),
            std::string::npos);
  EXPECT_NE(doc.find("{\"type\": \"vcs\", \"url\": "
                     "\"extra3/extra4/extra5/-/tree/extra6\"}"),
            std::string::npos)
      << doc;
}

}  // namespace
}  // namespace zps
