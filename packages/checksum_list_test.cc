#include "packages/checksum_list.h"

#include <gtest/gtest.h>

#include "packages/verbose.h"
#include "testutil/memory_stream.h"

namespace zps {
namespace {

constexpr uint64_t kAllBits = ~uint64_t{0};

TEST(ReadOctal, FollowsStrtoulInBaseEight) {
  struct Case {
    std::string_view text;
    uint64_t want;
  };
  const Case cases[] = {
      {"0755", 0755},
      {"4755", 04755},
      {"  \t0700", 0700},
      {"+644", 0644},
      {"-1", kAllBits},
      {"-0", 0},
      {"", 0},
      {"abc", 0},
      {"0789", 07},  // stops at the first non-octal digit
      {"0x755", 0},
      {"7777777777777777777777", kAllBits},  // 66 bits
      {"1777777777777777777777", kAllBits},  // exactly 64 bits set
      {"-7777777777777777777777", kAllBits},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(read_octal(c.text), c.want);
  }
}

TEST(NormalizeChecksum, RemovesAtMostOnePrefix) {
  struct Case {
    std::string_view text;
    std::optional<std::string_view> want;
  };
  const Case cases[] = {
      {"1$sha256$ab", "ab"},
      {"sha256:ab", "ab"},
      {"1$ab", "ab"},
      {"sha256:1$ab", "1$ab"},
      {"1$sha256:ab", "sha256:ab"},
      {"ab", "ab"},
      {"1$", "1$"},
      {"1$a", "a"},
      {"1$sha256$", std::nullopt},
      {"sha256:", std::nullopt},
      {"", std::nullopt},
      {"2$abc", "2$abc"},  // other hash types pass through unchanged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(normalize_checksum(c.text), c.want);
  }
}

TEST(OwnPackage, IsDecidedByTheFirstSixBytes) {
  EXPECT_TRUE(is_own_package("Zelkor-agent-2.1"));
  EXPECT_TRUE(is_own_package("Zelkorctl-0.9.1"));
  EXPECT_TRUE(is_own_package("Zelkor"));
  EXPECT_FALSE(is_own_package("zelkor-agent-2.1"));
  EXPECT_FALSE(is_own_package("Zelko"));
  EXPECT_FALSE(is_own_package(""));
}

// Each entry as "path=checksum;", with "?" before the ";" when its digest
// must still come from the archive.
std::string entries_text(const ChecksumList& list) {
  std::string text;
  for (const ChecksumEntry& e : list.entries) {
    text += std::string(e.path) + "=" + std::string(e.checksum) +
            (e.needs_digest ? "?;" : ";");
  }
  return text;
}

TEST(CollectChecksums, TakesExecutableEntriesInManifestOrder) {
  struct Case {
    std::string_view label;
    std::string_view files;  // the JSON value of "files"
    std::string_view want;
  };
  const Case cases[] = {
      {"p", R"({"/usr/local/bin/tool":{"sum":"1$abcd","perm":"0755"}})",
       "/usr/local/bin/tool=abcd;"},
      {"p", R"({"/t":{"sum":"1$abcd","perm":"0644"}})", ""},
      {"p", R"({"/t":{"sum":"1$abcd"}})", "/t=abcd;"},
      {"p", R"({"/t":{"sum":"1$abcd","perm":420}})", "/t=abcd;"},
      {"p",
       R"({"/a":{"sum":"x","perm":"4755"},"/b":{"sum":"y","perm":"0700"},)"
       R"("/c":{"sum":"z","perm":"0600"},"/d":{"sum":"w","perm":"abc"},)"
       R"("/e":{"sum":"v","perm":"0001"}})",
       "/a=x;/b=y;/e=v;"},
      {"p", R"({"/boot/uefi-firmware/fw.bin":{"sum":"1$f","perm":"0644"}})",
       "/boot/uefi-firmware/fw.bin=f;"},
      {"Zelkor-agent-2.1", R"({"/etc/a.conf":{"sum":"1$c","perm":"0644"}})",
       "/etc/a.conf=c;"},
      {"zelkor-agent-2.1", R"({"/etc/a.conf":{"sum":"1$c","perm":"0644"}})",
       ""},
      {"p", R"({"/s":"1$plain","/t":"sha256:other"})", "/s=plain;/t=other;"},
      {"p", R"({"/n":5,"/o":{"perm":"0755"},"/q":{"sum":7},"/r":"1$sha256$"})",
       ""},
      {"p", R"({"":"1$nokey","/z":"1$b","/a":"1$c","/z":"1$dup"})",
       "/z=b;/a=c;"},
      {"p", R"({"/sp ace/caf%c3%a9":"1$e","/100%25":"1$f","/50%":"1$g"})",
       "/sp ace/caf\xC3\xA9=e;/100%=f;/50%=g;"},
      // Decoding comes before the executable test.
      {"p", R"({"/boot/uefi%2dfirmware/x":{"sum":"1$u","perm":"0644"}})",
       "/boot/uefi-firmware/x=u;"},
      // Sums of other types: type 0 is decoded, others wait for the archive.
      {"p",
       R"({"/zero":"0$ybndrfg8ejkmcpqxot1uwisza345h769ybndrfg8ejkmcpqxot1b",)"
       R"("/two":{"sum":"2$abc","perm":"0755"},"/nine":"9$x",)"
       R"("/bad0":"0$tooshort","/ten":"10$x","/plain":"2x"})",
       "/zero=2088418a3928a9c59a7b30ca49abbd38ebcdbbff2088418a3928a9c59a7b30ca;"
       "/two=2$abc?;/nine=9$x?;/bad0=0$tooshort?;/ten=10$x;/plain=2x;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.files));
    std::string error;
    auto doc = ManifestDocument::parse(
        "{\"name\":\"p\",\"files\":" + std::string(c.files) + "}", &error);
    ASSERT_NE(doc, nullptr) << error;
    MemoryStream err;
    EXPECT_EQ(entries_text(collect_checksums(doc->root(), c.label, err.get())),
              c.want);
    EXPECT_EQ(err.contents(), "");
  }
}

TEST(CollectChecksums, SkipsEntriesThatWouldBreakTheLineFormat) {
  std::string error;
  auto doc = ManifestDocument::parse(
      R"({"files":{"/a\nforged sha256=00":"1$aa","/b":"1$b\u0000b",)"
      R"("/ok":"1$cc","/c\u0000":"1$dd","/d":"1$e\nf"}})",
      &error);
  ASSERT_NE(doc, nullptr) << error;
  MemoryStream err;
  EXPECT_EQ(entries_text(collect_checksums(doc->root(), "lbl", err.get())),
            "/ok=cc;");
  const std::string warning =
      "  warning: lbl: skipped a file entry with a line break or NUL byte\n";
  EXPECT_EQ(err.contents(), warning + warning + warning + warning);
}

TEST(CollectChecksums, ExplainsAMissingOrMistypedFilesOnlyWhenVerbose) {
  struct Case {
    std::string_view manifest;
    std::string_view want;
  };
  const Case cases[] = {
      {R"({"name":"p"})", "  [verbose] lbl: no 'files' key\n"},
      {R"({"files":[1]})",
       "  [verbose] lbl: 'files' is not an object (type=1)\n"},
      {R"({"files":"x"})",
       "  [verbose] lbl: 'files' is not an object (type=4)\n"},
      {R"({"files":null})",
       "  [verbose] lbl: 'files' is not an object (type=8)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.manifest));
    std::string error;
    auto doc = ManifestDocument::parse(std::string(c.manifest), &error);
    ASSERT_NE(doc, nullptr) << error;
    for (bool on : {false, true}) {
      verbose = on;
      MemoryStream err;
      EXPECT_TRUE(
          collect_checksums(doc->root(), "lbl", err.get()).entries.empty());
      EXPECT_EQ(err.contents(), on ? c.want : "");
    }
    verbose = false;
  }
}

TEST(ResolveDigests, FillsDigestsOrDropsEntriesWithAWarning) {
  std::string error;
  auto doc = ManifestDocument::parse(
      R"({"files":{"/a":"2$x","/b":"1$bb","/c%25":"3$y","/d":"2$z"}})", &error);
  ASSERT_NE(doc, nullptr) << error;
  MemoryStream err;
  ChecksumList list = collect_checksums(doc->root(), "lbl", err.get());
  EXPECT_TRUE(list.needs_digests);
  const MemberDigests digests = {{"/a", std::string(32, '\x01')},
                                 {"/d", std::string(32, '\xFE')},
                                 {"/other", std::string(32, '\0')}};
  resolve_digests(&list, digests, "lbl", err.get());
  EXPECT_FALSE(list.needs_digests);
  std::string ones, fes;
  for (int i = 0; i < 32; ++i) {
    ones += "01";
    fes += "fe";
  }
  EXPECT_EQ(entries_text(list), "/a=" + ones + ";/b=bb;/d=" + fes + ";");
  EXPECT_EQ(err.contents(),
            "  warning: lbl: no SHA-256 for /c% (the manifest sum is not "
            "SHA-256 and the archive holds no data for it)\n");
}

TEST(WriteChecksums, NeverWritesAnUnresolvedSum) {
  PathSet seen;
  MemoryStream out;
  write_checksums({{"/a", "2$x", true}, {"/b", "bb"}}, &seen, out.get());
  EXPECT_EQ(out.contents(), "/b sha256=bb\n");
}

TEST(WriteChecksums, WritesEachPathOnceFirstWins) {
  PathSet seen;
  MemoryStream out;
  write_checksums({{"/a b", "1"}, {"/c", "2"}, {"/a b", "3"}}, &seen,
                  out.get());
  write_checksums({{"/c", "4"}, {"/d", "5"}}, &seen, out.get());
  EXPECT_EQ(out.contents(), "/a b sha256=1\n/c sha256=2\n/d sha256=5\n");
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
}  // namespace zps
