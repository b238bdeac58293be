#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/hex.h"
#include "base/sha256.h"
#include "provenance/distfiles.h"
#include "provenance/fetch_sites.h"
#include "provenance/origin.h"
#include "provenance/port_variables.h"
#include "provenance/provenance_settings.h"
#include "provenance/upstream_refs.h"
#include "streebog/streebog.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

TEST(ClassifyOrigin, APortIsADirectoryInsideTheTree) {
  TempDir dir;
  const std::string tree = dir.root() + "/ports";
  for (const char* d : {"ports/devel/foo/x", "ports/Zelkor/x", "ports/base/x",
                        "outside/port/x"}) {
    mkdir(dir.path(d).c_str(), 0755);
  }
  ASSERT_TRUE(write_file(dir.path("ports/devel/file"), "x"));
  const std::pair<std::string, OriginKind> cases[] = {
      {"devel/foo", OriginKind::kPort},
      {"Zelkor", OriginKind::kPort},
      {"zelkor/tools", OriginKind::kUnknown},
      {"Zelkor/tools", OriginKind::kOwn},
      {"base", OriginKind::kBase},
      {"", OriginKind::kUnknown},
      {"devel/missing", OriginKind::kUnknown},
      {"devel/file", OriginKind::kUnknown},
      {"../outside/port", OriginKind::kUnknown},
      {"devel/../../outside/port", OriginKind::kUnknown},
      {dir.root() + "/outside/port", OriginKind::kUnknown},
      {std::string("devel/foo\0/../../outside/port", 29), OriginKind::kUnknown},
  };
  for (const auto& [origin, want] : cases) {
    EXPECT_EQ(classify_origin(tree, origin), want) << origin;
    EXPECT_EQ(classify_origin(tree + "/", origin), want) << origin;
  }
  EXPECT_EQ(classify_origin("", "devel/foo"), OriginKind::kUnknown);
  EXPECT_EQ(classify_origin("", "base"), OriginKind::kBase);
}

TEST(PortQuery, QuotesEveryValueAndMapsLinesInOrder) {
  EXPECT_EQ(port_query_command("/t'x", "a'b").substr(0, 61),
            "make -C '/t'\\''x/a'\\''b' PORTSDIR='/t'\\''x' -V USE_GITHUB -V ");
  const PortVariables vars = port_variables_from_lines(
      {"yes", "Foo", "Bar", "", "", "", "", "", "", "", "", "", "1.0", "/d"});
  EXPECT_EQ(vars.gh_project, "Bar");
  EXPECT_EQ(vars.distinfo_file, "/d");
  EXPECT_EQ(port_version(vars), "1.0");
  EXPECT_EQ(port_version({.distversion = "2", .portversion = "1"}), "2");
}

// The quirks of the rules; ports that take each rule are end-to-end cases.
TEST(PortRules, GithubThenGitlabThenMasterSite) {
  struct Case {
    PortVariables vars;
    std::string vcs_url, purl, master_site;
  };
  PortVariables incomplete_github{.use_github = "yes", .gh_project = "Bar"};
  incomplete_github.use_gitlab = incomplete_github.gl_tagname = "v1";
  incomplete_github.gl_account = incomplete_github.gl_project = "g";
  const Case cases[] = {
      {incomplete_github, "https://gitlab.com/g/g/-/tree/v1", "", ""},
      {{.master_sites = " https://dl.example/"}, "", "", ""},
      {{.master_sites = "https://github.com/a/repo.git/x:grp",
        .portversion = "4"},
       "https://github.com/a/repo/tree/4",
       "pkg:github/a/repo@4",
       "https://github.com/a/repo.git/x"},
      {{.master_sites = "https://github.com/a/.git", .portversion = "4"},
       "https://github.com/a/.git/tree/4",
       "pkg:github/a/.git@4",
       "https://github.com/a/.git"},
      {{.master_sites = "https://github.com/acme", .portversion = "4"},
       "",
       "",
       "https://github.com/acme"},
      {{.master_sites = "https://proxy.golang.org/github.com/cli/cli/v2/@v/",
        .portversion = "2"},
       "",
       "",
       "https://proxy.golang.org/github.com/cli/cli/v2/@v/"},
      {{.master_sites = "https://codeload.GitHub.com/a/b/tar.gz/v1?dummy=/",
        .portversion = "1"},
       "https://github.com/a/b/tree/1",
       "pkg:github/a/b@1",
       "https://codeload.GitHub.com/a/b/tar.gz/v1?dummy=/"},
      {{}, "", "", ""},
  };
  for (const Case& c : cases) {
    UpstreamRefs refs;
    apply_port_rules(&refs, c.vars);
    EXPECT_EQ(refs.vcs_url, c.vcs_url) << c.vars.master_sites;
    EXPECT_EQ(refs.purl, c.purl) << c.vcs_url;
    EXPECT_EQ(refs.master_site, c.master_site) << c.vcs_url;
  }
}

TEST(MasterSites, GroupSuffixTagAndDistinfoNames) {
  const std::pair<std::string_view, std::string_view> sites[] = {
      {"https://e.org/dist/:gnu,savannah", "https://e.org/dist/"},
      {"https://e.org/d/:aAzZ09_", "https://e.org/d/"},
      {"https://e.org:80/dir/", "https://e.org:80/dir/"},
      {"https://e.org:80", "https://e.org:80"},
      {"https://e.org/:80", "https://e.org/"},
      {"https://e.org/x:", "https://e.org/x:"},
      {"https://e.org/x:a-b", "https://e.org/x:a-b"},
      {"https://", "https://"},
      {":80", ":80"}};
  for (const auto& [entry, want] : sites) {
    EXPECT_EQ(first_master_site(entry), want) << entry;
  }
  const std::pair<std::string_view, std::string_view> tags[] = {
      {"https://github.com/a/b/releases/download/v1.0", "v1.0"},
      {"https://github.com/a/b/archive/refs/tags/RC-1/x.tar.gz", "RC-1"},
      {"https://x/archive/refs/tags/a/releases/download/b/", "b"},
      {"https://github.com/a/b/releases/download/", ""},
      {"https://example.org/dist/", ""}};
  for (const auto& [url, want] : tags) {
    EXPECT_EQ(download_tag(url), want) << url;
  }
}

TEST(Distinfo, ReadsDigestsAndSizesByName) {
  const std::vector<DistinfoEntry> entries = parse_distinfo(
      "TIMESTAMP = 1\nSHA256 (foo-1.0.tar.gz) = AB01\n"
      "SIZE (foo-1.0.tar.gz) = 12\nSHA256 (f/b-2.tgz) = e\n"
      "SIZE (only-size) = 7\nSHA256 (foo-1.0.tar.gz) = ff\n"
      "SHA512 (x) = 0\nsha256 (y) = 0\nSHA256 () = 0\nSHA256 x) = 0\n"
      "SHA256 (unclosed = 0\nSHA256 (nohex) = xyz\nSIZE (neg) = -1\n"
      "SIZE (big) = 99999999999999999999\nSHA256 (last) = 0");
  std::string got;
  for (const DistinfoEntry& e : entries) {
    got += e.name + "=" + e.sha256 + "/" +
           (e.size ? std::to_string(*e.size) : "-") + ";";
  }
  EXPECT_EQ(got, "foo-1.0.tar.gz=ab01/12;f/b-2.tgz=e/-;only-size=/7;last=0/-;");
}

TEST(Distinfo, HashesAFileOnceForBothDigests) {
  TempDir dir;
  // Past one read block, and not a multiple of Streebog's 64-byte block.
  std::string data;
  for (int i = 0; data.size() < 600 * 1024 + 5; ++i) {
    data += std::to_string(i * 7919) + ",";
  }
  ASSERT_TRUE(write_file(dir.path("d"), data));
  const std::optional<DistfileDigests> digests = hash_distfile(dir.path("d"));
  ASSERT_TRUE(digests.has_value());
  char streebog[65];
  ASSERT_EQ(streebog256_file(dir.path("d").c_str(), streebog), 0);
  EXPECT_EQ(digests->streebog256, std::string(streebog, 64));
  EXPECT_EQ(digests->sha256, hex_text(sha256_of(data)));
  EXPECT_EQ(digests->size, data.size());
  EXPECT_FALSE(hash_distfile(dir.path("missing")).has_value());
  EXPECT_FALSE(hash_distfile(dir.root()).has_value());
}

// The framework's own ports are end-to-end cases; these are the corners.
TEST(FirstFetchUrl, FollowsGroupsOrderAndOverride) {
  const PortVariables framework{
      .dist_subdir = "sub",
      .distfiles = "a.tgz b.tgz:g2,g1 c.tgz:none",
      .patchfiles = "p.patch:-p1 q.patch:-p0:pg",
      .master_sites_env =
          "_MASTER_SITES_DEFAULT=http://slow/\\ https://dl.example/d/ "
          "_MASTER_SITES_g1=https://one.example/ "
          "_MASTER_SITES_g2=https://distcache.FreeBSD.org/x/\\ "
          "https://two.example/\\?q=/",
      .patch_sites_env =
          "_PATCH_SITES_DEFAULT=https://p.example/ "
          "_PATCH_SITES_pg=https://pg.example/",
      .sort_regex = "://[^/]*dl\\.example/ ://[^/]*/"};
  PortVariables overridden = framework;
  overridden.site_override =
      " https://distcache.freebsd.org/ https://o.example/";
  const std::tuple<PortVariables, std::string, std::string> cases[] = {
      {framework, "sub/a.tgz", "https://dl.example/d/a.tgz"},
      {framework, "a.tgz", "https://dl.example/d/a.tgz"},
      {framework, "sub/b.tgz", "https://two.example/?q=/b.tgz"},
      {framework, "sub/c.tgz", ""},
      {framework, "sub/missing.tgz", ""},
      {framework, "sub/p.patch", "https://p.example/p.patch"},
      {framework, "sub/q.patch", "https://pg.example/q.patch"},
      {overridden, "sub/b.tgz", "https://o.example/b.tgz"},
      {{.dist_subdir = "sub"}, "sub/x/y.tgz", "https://site/x/y.tgz"},
      {{.dist_subdir = "sub"}, "subx/y.tgz", "https://site/subx/y.tgz"},
  };
  for (const auto& [vars, name, want] : cases) {
    EXPECT_EQ(first_fetch_url(vars, name, "https://site/"), want) << name;
  }
  EXPECT_EQ(first_fetch_url({}, "x.tgz", ""), "");
  EXPECT_EQ(url_host("https://u:p@Host.example:8080/x"), "Host.example");
}

// Each checked to round-trip in a real purl parser (packageurl-js). An
// empty version gets no "@": a parser reads "x@" back as "x".
TEST(Purl, EncodesNameAndVersionAsComponents) {
  struct Case {
    std::string_view name, version, want;
  };
  const Case generic[] = {
      {"\xC3\x84Z tool/1", "1.0,1+2:3 %",
       "pkg:generic/%C3%84z%20tool%2F1@1.0%2C1+2:3%20%25"},
      {"x", "", "pkg:generic/x"},
      {"x", "@", "pkg:generic/x@%40"},
  };
  for (const Case& c : generic) {
    EXPECT_EQ(generic_purl(c.name, c.version), c.want) << c.version;
  }
  const Case github[] = {{"", "v1/2", "pkg:github/a%40b/p.q@v1%2F2"},
                         {"", "", "pkg:github/a%40b/p.q"}};
  for (const Case& c : github) {
    UpstreamRefs refs;
    github_refs(&refs, "A@b", "P.q", c.version);
    EXPECT_EQ(refs.purl, c.want) << c.version;
  }
}

TEST(GitDownloadLocation, WritesSpdxVcsFormOrNothing) {
  struct Case {
    std::string_view repository, revision, path, want;
  };
  const Case cases[] = {
      {"https://g.example/ports", "abc", "devel/x",
       "git+https://g.example/ports@abc#devel/x"},
      {"https://g.example/ports//", "abc", "",
       "git+https://g.example/ports@abc"},
      {"ssh://git@g.example/src", "releng/14.2", "",
       "git+ssh://git@g.example/src@releng/14.2"},
      {"git+https://g.example/p", "v1+b", "", "git+https://g.example/p@v1+b"},
      {"https://g.example/p", "a@b#c d%", "x'; y",
       "git+https://g.example/p@a%40b%23c%20d%25#x%27%3B%20y"},
      {"git@g.example:ports", "abc", "", ""},
      {"https://g.example/p", "", "x", ""},
      {"", "abc", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(git_download_location(c.repository, c.revision, c.path), c.want)
        << c.repository;
  }
}

TEST(RemoteUrl, DropsOneLineFeedThenOneDotGit) {
  const std::pair<std::string, std::string> cases[] = {
      {"https://g.example/ports.git\n", "https://g.example/ports"},
      {".git", ".git"},
      {"x.git", "x"},
      {"https://g.example/ports.git\r\n", "https://g.example/ports.git\r"},
      {"", ""}};
  for (const auto& [line, want] : cases) {
    EXPECT_EQ(remote_url_from_line(line), want) << line;
  }
  EXPECT_EQ(remote_origin_command("/p'q"),
            "git -C '/p'\\''q' remote get-url origin 2>/dev/null");
}

}  // namespace
}  // namespace zps
