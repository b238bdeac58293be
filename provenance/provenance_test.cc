#include <sys/stat.h>

#include <gtest/gtest.h>

#include "provenance/distfiles.h"
#include "provenance/origin_defaults.h"
#include "provenance/port_variables.h"
#include "provenance/upstream_refs.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

PortVariables vars_of(
    std::initializer_list<std::pair<std::string_view, std::string>> values) {
  PortVariables vars;
  for (const auto& [name, value] : values) {
    for (size_t i = 0; i < kPortQueryVariables.size(); ++i) {
      if (kPortQueryVariables[i] == name) {
        vars[i] = value;
      }
    }
  }
  return vars;
}

TEST(PortQuery, CommandQuotesEveryValue) {
  EXPECT_EQ(port_query_command("/usr/ports", "devel/foo"),
            "make -C '/usr/ports/devel/foo' PORTSDIR='/usr/ports' -V "
            "USE_GITHUB -V GH_ACCOUNT -V GH_PROJECT -V GH_TAGNAME -V "
            "USE_GITLAB -V GL_SITE -V GL_ACCOUNT -V GL_PROJECT -V GL_COMMIT "
            "-V GL_TAGNAME -V MASTER_SITES -V DISTVERSION -V PORTVERSION -V "
            "DISTINFO_FILE 2>/dev/null");
  const std::string with_slash = port_query_command("/usr/ports/", "devel/foo");
  EXPECT_EQ(with_slash.substr(0, 55),
            "make -C '/usr/ports//devel/foo' PORTSDIR='/usr/ports/' ");
  EXPECT_EQ(port_query_command("/t'x", "a'b").substr(0, 43),
            "make -C '/t'\\''x/a'\\''b' PORTSDIR='/t'\\''x'");
}

TEST(PortQuery, LinesMapToVariablesInOrder) {
  PortVariables vars = port_variables_from_lines({"yes", "Foo", "Bar"});
  EXPECT_EQ(port_variable(vars, "USE_GITHUB"), "yes");
  EXPECT_EQ(port_variable(vars, "GH_PROJECT"), "Bar");
  EXPECT_EQ(port_variable(vars, "GH_TAGNAME"), "");
  EXPECT_EQ(port_variable(vars, "DISTINFO_FILE"), "");
  EXPECT_EQ(port_variable(vars, "PORTNAME"), "");
  EXPECT_EQ(port_version(vars_of({{"PORTVERSION", "1.0"}})), "1.0");
  EXPECT_EQ(port_version(vars_of({{"DISTVERSION", "2"}, {"PORTVERSION", "1"}})),
            "2");
  EXPECT_EQ(port_version(vars_of({})), "");
}

TEST(IsPortOrigin, NeedsAPortDirectoryInsideTheTree) {
  TempDir dir;
  const std::string tree = dir.root() + "/ports";
  mkdir(dir.path("ports/devel/foo/x").c_str(), 0755);
  mkdir(dir.path("ports/Zelkor/tools/x").c_str(), 0755);
  mkdir(dir.path("ports/zelkor/tools/x").c_str(), 0755);
  mkdir(dir.path("ports/Zelkor/x").c_str(), 0755);
  mkdir(dir.path("ports/base/x").c_str(), 0755);
  mkdir(dir.path("outside/port/x").c_str(), 0755);
  ASSERT_TRUE(write_file(dir.path("ports/devel/file"), "x"));
  struct Case {
    std::string tree, origin;
    bool want;
  };
  const Case cases[] = {
      {tree, "devel/foo", true},
      {tree + "/", "devel/foo", true},
      {"", "devel/foo", false},
      {tree, "", false},
      {tree, "base", false},
      {tree, "Zelkor/tools", false},
      {tree, "Zelkor", true},
      {tree, "zelkor/tools", true},
      {tree, "devel/missing", false},
      {tree, "devel/file", false},
      {tree, "../outside/port", false},
      {tree, "devel/../../outside/port", false},
      {tree, dir.root() + "/outside/port", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tree + " " + c.origin);
    EXPECT_EQ(is_port_origin(c.tree, c.origin), c.want);
  }
}

TEST(FirstMasterSite, DropsGroupSuffixesAndKeepsPortNumbers) {
  struct Case {
    std::string_view entry, want;
  };
  const Case cases[] = {
      {"https://example.org/dist/", "https://example.org/dist/"},
      {"https://example.org/dist/:DEFAULT", "https://example.org/dist/"},
      {"https://example.org/dist/:gnu,savannah", "https://example.org/dist/"},
      {"https://example.org:80/dir/", "https://example.org:80/dir/"},
      {"https://example.org:80", "https://example.org:80"},
      {"https://example.org/:80", "https://example.org/"},
      {"https://example.org/x:", "https://example.org/x:"},
      {"https://example.org/x:a-b", "https://example.org/x:a-b"},
      {"https://", "https://"},
      {":80", ":80"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(first_master_site(c.entry), c.want) << c.entry;
  }
}

TEST(DownloadTag, TakesThePathComponentAfterTheMarker) {
  struct Case {
    std::string_view url, want;
  };
  const Case cases[] = {
      {"https://github.com/a/b/releases/download/2.3/", "2.3"},
      {"https://github.com/a/b/releases/download/v1.0", "v1.0"},
      {"https://github.com/a/b/archive/refs/tags/RC-1/x.tar.gz", "RC-1"},
      {"https://x/archive/refs/tags/a/releases/download/b/", "b"},
      {"https://github.com/a/b/releases/download/", ""},
      {"https://example.org/dist/", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(download_tag(c.url), c.want) << c.url;
  }
}

TEST(PortRules, GithubThenGitlabThenMasterSite) {
  struct Case {
    std::string name;
    PortVariables vars;
    std::string vcs_url, purl, master_site;
  };
  const Case cases[] = {
      {"github with the version",
       vars_of({{"USE_GITHUB", "yes"},
                {"GH_ACCOUNT", "Foo"},
                {"GH_PROJECT", "Bar"},
                {"DISTVERSION", "2.0"}}),
       "https://github.com/Foo/Bar/tree/2.0", "pkg:github/foo/bar@2.0", ""},
      {"github tag keeps its case",
       vars_of({{"USE_GITHUB", "1"},
                {"GH_ACCOUNT", "Foo"},
                {"GH_PROJECT", "Bar"},
                {"GH_TAGNAME", "RC-1.0"},
                {"DISTVERSION", "2.0"}}),
       "https://github.com/Foo/Bar/tree/RC-1.0", "pkg:github/foo/bar@RC-1.0",
       ""},
      {"incomplete github falls to gitlab",
       vars_of({{"USE_GITHUB", "yes"},
                {"GH_PROJECT", "Bar"},
                {"USE_GITLAB", "yes"},
                {"GL_ACCOUNT", "grp"},
                {"GL_PROJECT", "proj"},
                {"GL_COMMIT", "abc123"},
                {"GL_TAGNAME", "v1"},
                {"DISTVERSION", "1"}}),
       "https://gitlab.com/grp/proj/-/tree/abc123", "", ""},
      {"gitlab site, tag, then version",
       vars_of({{"USE_GITLAB", "yes"},
                {"GL_SITE", "https://gl.example/"},
                {"GL_ACCOUNT", "g"},
                {"GL_PROJECT", "p"},
                {"GL_TAGNAME", "v1"}}),
       "https://gl.example//g/p/-/tree/v1", "", ""},
      {"gitlab with the port version",
       vars_of({{"USE_GITLAB", "yes"},
                {"GL_ACCOUNT", "g"},
                {"GL_PROJECT", "p"},
                {"PORTVERSION", "3.1"}}),
       "https://gitlab.com/g/p/-/tree/3.1", "", ""},
      {"plain master site",
       vars_of({{"MASTER_SITES", "https://dl.example/dist/:DEFAULT https://b/"},
                {"DISTVERSION", "1"}}),
       "", "", "https://dl.example/dist/"},
      {"master site beginning with a blank",
       vars_of({{"MASTER_SITES", " https://dl.example/"}}), "", "", ""},
      {"github release download",
       vars_of({{"MASTER_SITES",
                 "https://github.com/Acme/Tool/releases/download/2.3/"},
                {"DISTVERSION", "9"}}),
       "https://github.com/Acme/Tool/tree/2.3", "pkg:github/acme/tool@2.3",
       "https://github.com/Acme/Tool/releases/download/2.3/"},
      {"github archive of a .git project",
       vars_of({{"MASTER_SITES", "https://github.com/a/repo.git/x:grp"},
                {"PORTVERSION", "4"}}),
       "https://github.com/a/repo/tree/4", "pkg:github/a/repo@4",
       "https://github.com/a/repo.git/x"},
      {"project exactly .git",
       vars_of({{"MASTER_SITES", "https://github.com/a/.git"},
                {"PORTVERSION", "4"}}),
       "https://github.com/a/.git/tree/4", "pkg:github/a/.git@4",
       "https://github.com/a/.git"},
      {"github host without a path",
       vars_of(
           {{"MASTER_SITES", "https://github.com/acme"}, {"PORTVERSION", "4"}}),
       "", "", "https://github.com/acme"},
      {"nothing", vars_of({}), "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UpstreamRefs refs;
    apply_port_rules(&refs, c.vars);
    EXPECT_EQ(refs.vcs_url, c.vcs_url);
    EXPECT_EQ(refs.purl, c.purl);
    EXPECT_EQ(refs.master_site, c.master_site);
  }
}

TEST(GenericPurl, LowersAsciiLettersOfTheNameOnly) {
  EXPECT_EQ(generic_purl("Foo-Bar", "1.0_2"), "pkg:generic/foo-bar@1.0_2");
  EXPECT_EQ(generic_purl("X", ""), "pkg:generic/x@");
  EXPECT_EQ(generic_purl("\xC3\x84Z", "V"), "pkg:generic/\xC3\x84z@V");
}

TEST(RemoteUrl, DropsOneLineFeedThenOneDotGit) {
  struct Case {
    std::string line, want;
  };
  const Case cases[] = {
      {"https://git.example/ports.git\n", "https://git.example/ports"},
      {"https://git.example/ports.git", "https://git.example/ports"},
      {".git", ".git"},
      {"x.git", "x"},
      {"https://git.example/ports.git\r\n", "https://git.example/ports.git\r"},
      {"git@host:ports.git", "git@host:ports"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(remote_url_from_line(c.line), c.want);
  }
  EXPECT_EQ(remote_origin_command("/p'q"),
            "git -C '/p'\\''q' remote get-url origin 2>/dev/null");
}

TEST(DistinfoNames, TakesTheNamesOfSha256Lines) {
  const std::string text =
      "TIMESTAMP = 1700000000\n"
      "SHA256 (foo-1.0.tar.gz) = abcd\n"
      "SIZE (foo-1.0.tar.gz) = 123\n"
      "SHA256 (fonts/bar-2.tgz) = ef\n"
      "SHA512 (x.tgz) = 00\n"
      "sha256 (y.tgz) = 00\n"
      "SHA256 () = 00\n"
      "SHA256 x.tgz) = 00\n"
      "SHA256 (unclosed = 00\n"
      "SHA256 ) (z.tgz) = 00\n"  // the first ")" after the "(" counts
      "SHA256 (last.tgz) = 00";
  EXPECT_EQ(distinfo_names(text),
            (std::vector<std::string>{"foo-1.0.tar.gz", "fonts/bar-2.tgz",
                                      "z.tgz", "last.tgz"}));
}

TEST(OriginRules, MakerBaseAndFallback) {
  TempDir dir;
  const std::string tree = dir.root() + "/ports";
  mkdir(dir.path("ports/devel/foo/x").c_str(), 0755);
  ProvenanceSettings s{tree, "https://git.example/ports",
                       "https://git.example/src", "releng/14.2", ""};
  struct Case {
    std::string origin, hash;
    std::string want;
  };
  const Case cases[] = {
      {"Zelkor/tools", "abc123",
       "https://git.example/ports/-/tree/abc123/Zelkor/tools"},
      {"Zelkor/tools", "", ""},
      {"base", "abc123", "https://git.example/src/-/tree/releng/14.2"},
      {"devel/foo", "abc123",
       "https://git.example/ports/-/tree/abc123/devel/foo"},
      {"devel/missing", "abc123", ""},
      {"", "abc123", "https://git.example/ports/-/tree/abc123/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.origin);
    PackageRecord r;
    r.origin = c.origin;
    r.ports_top_git_hash = c.hash;
    apply_makers_component_rule(&r, s);
    if (r.vcs_url.empty()) {
      apply_base_system_rule(&r, s);
    }
    if (r.vcs_url.empty()) {
      apply_ports_repository_fallback(&r, s);
    }
    EXPECT_EQ(r.vcs_url, c.want);
  }
  PackageRecord base;
  base.origin = "base";
  ProvenanceSettings no_ref = s;
  no_ref.base_vcs_ref.clear();
  apply_base_system_rule(&base, no_ref);
  EXPECT_EQ(base.vcs_url, "");
}

TEST(StartupDefaults, RelativeTreeBecomesAbsoluteAndFeedsTheDefaults) {
  struct Case {
    ProvenanceSettings in;
    std::string tree, distfiles;
  };
  const Case cases[] = {
      {{"ports", "u", "", "", ""}, "/work/ports", "/work/ports/distfiles"},
      {{"./ports/", "u", "", "", ""},
       "/work/./ports/",
       "/work/./ports/distfiles"},
      {{"/usr/ports", "u", "", "", "/d"}, "/usr/ports", "/d"},
      {{"/usr/ports/", "u", "", "", ""}, "/usr/ports/", "/usr/ports/distfiles"},
      {{"", "u", "", "", ""}, "", ""},
  };
  for (const Case& c : cases) {
    ProvenanceSettings s = c.in;
    apply_ports_tree_defaults(&s, "/work");
    EXPECT_EQ(s.ports_tree, c.tree);
    EXPECT_EQ(s.distfiles_dir, c.distfiles);
    EXPECT_EQ(s.internal_vcs_url, "u");  // given, so git is not asked
  }
}

TEST(SourceDistributions, HashesListedDistfilesThatArePresent) {
  TempDir dir;
  ASSERT_TRUE(write_file(dir.path("distinfo"),
                         "SHA256 (gone.tgz) = 00\n"
                         "SHA256 (abc.txt) = 00\n"
                         "SHA256 (sub/empty.txt) = 00\n"
                         "SHA256 (adir) = 00\n"
                         "SHA256 (fifo) = 00\n"));
  ASSERT_TRUE(write_file(dir.path("distfiles/abc.txt"), "abc"));
  ASSERT_TRUE(write_file(dir.path("distfiles/sub/empty.txt"), ""));
  mkdir(dir.path("distfiles/adir").c_str(), 0755);
  ASSERT_EQ(mkfifo(dir.path("distfiles/fifo").c_str(), 0644), 0);  // no hang
  const std::string distfiles = dir.root() + "/distfiles";
  PackageRecord r;
  r.origin = "devel/foo";
  collect_source_distributions(&r, "https://dl.example/dist",
                               dir.path("distinfo"), distfiles);
  ASSERT_EQ(r.source_distributions.size(), 2u);
  EXPECT_EQ(r.source_distributions[0].url, "https://dl.example/dist/abc.txt");
  EXPECT_EQ(r.source_distributions[1].url,
            "https://dl.example/dist/sub/empty.txt");
  for (const SourceDistribution& d : r.source_distributions) {
    EXPECT_EQ(d.streebog256.size(), 64u);
    EXPECT_EQ(d.streebog256.find_first_not_of("0123456789abcdef"),
              std::string::npos);
  }
  // The empty message's digest, from RFC 6986's algorithm (256-bit).
  EXPECT_EQ(r.source_distributions[1].streebog256,
            "3f539a213e97c802cc229d474c6aa32a825a360b2a933a949fd925208d9ce1bb");

  struct Skip {
    std::string name;
    std::string vcs_url, origin, site, distinfo, distfiles;
  };
  const Skip skips[] = {
      {"has a vcs url", "https://x", "devel/foo", "https://s",
       dir.path("distinfo"), distfiles},
      {"base", "", "base", "https://s", dir.path("distinfo"), distfiles},
      {"own", "", "Zelkor/x", "https://s", dir.path("distinfo"), distfiles},
      {"no site", "", "devel/foo", "", dir.path("distinfo"), distfiles},
      {"no distinfo", "", "devel/foo", "https://s", "", distfiles},
      {"missing distinfo", "", "devel/foo", "https://s", dir.root() + "/nope",
       distfiles},
      {"no distfiles dir", "", "devel/foo", "https://s", dir.path("distinfo"),
       ""},
  };
  for (const Skip& s : skips) {
    SCOPED_TRACE(s.name);
    PackageRecord skipped;
    skipped.vcs_url = s.vcs_url;
    skipped.origin = s.origin;
    collect_source_distributions(&skipped, s.site, s.distinfo, s.distfiles);
    EXPECT_TRUE(skipped.source_distributions.empty());
  }
}

}  // namespace
}  // namespace zps
