#include "packages/checksum_list.h"

#include <gtest/gtest.h>

#include "packages/verbose.h"

namespace zps {
namespace {

constexpr uint64_t kAllBits = ~uint64_t{0};

TEST(ReadOctal, FollowsStrtoulInBaseEight) {
  const std::pair<std::string_view, uint64_t> cases[] = {
      {"0755", 0755},
      {"  \t+0700", 0700},
      {"-1", kAllBits},
      {"-0", 0},
      {"", 0},
      {"0789", 07},
      {"0x755", 0},
      {"1777777777777777777777", kAllBits},   // exactly 64 bits set
      {"7777777777777777777777", kAllBits}};  // 66 bits
  for (const auto& [text, want] : cases) {
    EXPECT_EQ(read_octal(text), want) << text;
  }
}

TEST(NormalizeChecksum, RemovesAtMostOnePrefix) {
  const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
      {"1$sha256$ab", "ab"},
      {"sha256:ab", "ab"},
      {"1$ab", "ab"},
      {"sha256:1$ab", "1$ab"},
      {"1$sha256:ab", "sha256:ab"},
      {"1$", "1$"},
      {"1$a", "a"},
      {"1$sha256$", std::nullopt},
      {"sha256:", std::nullopt},
      {"", std::nullopt},
      {"2$abc", "2$abc"}};
  for (const auto& [text, want] : cases) {
    EXPECT_EQ(normalize_checksum(text), want) << text;
  }
}

TEST(OwnPackage, IsDecidedByTheFirstSixBytes) {
  EXPECT_TRUE(is_own_package("Zelkorctl-0.9.1"));
  EXPECT_TRUE(is_own_package("Zelkor"));
  EXPECT_FALSE(is_own_package("zelkor-agent-2.1"));
  EXPECT_FALSE(is_own_package("Zelko"));
}

// The manifest's "files" value, the label, and the entries taken (each as
// "path=checksum;", "?" before the ";" while the digest must still come from
// the archive) with the messages, verbose on.
TEST(CollectChecksums, TakesExecutableEntriesInManifestOrder) {
  struct Case {
    std::string_view label, files, want, messages;
  };
  const std::string forged =
      "  warning: p: skipped a file entry with a line break or NUL byte\n";
  const Case cases[] = {
      {"p", R"({"/t":{"sum":"1$abcd","perm":"0644"}})", "", ""},
      {"p", R"({"/t":{"sum":"1$abcd"}})", "/t=abcd;", ""},
      {"p", R"({"/t":{"sum":"1$abcd","perm":420}})", "/t=abcd;", ""},
      {"p",
       R"({"/a":{"sum":"x","perm":"4755"},"/b":{"sum":"y","perm":"0700"},)"
       R"("/c":{"sum":"z","perm":"0600"},"/d":{"sum":"w","perm":"abc"},)"
       R"("/e":{"sum":"v","perm":"0001"}})",
       "/a=x;/b=y;/e=v;", ""},
      {"p", R"({"/boot/uefi%2dfirmware/x":{"sum":"1$u","perm":"0644"}})",
       "/boot/uefi-firmware/x=u;", ""},
      {"Zelkor-a", R"({"/etc/a.conf":{"sum":"1$c","perm":"0644"}})",
       "/etc/a.conf=c;", ""},
      {"p", R"({"/n":5,"/o":{"perm":"0755"},"/q":{"sum":7},"/r":"1$sha256$"})",
       "", ""},
      {"p", R"({"":"1$nokey","/z":"1$b","/a":"1$c","/z":"1$dup"})",
       "/z=b;/a=c;", ""},
      {"p", R"({"/sp ace/caf%c3%a9":"1$e","/100%25":"1$f","/50%":"1$g"})",
       "/sp ace/caf\xC3\xA9=e;/100%=f;/50%=g;", ""},
      {"p",
       R"({"/zero":"0$ybndrfg8ejkmcpqxot1uwisza345h769ybndrfg8ejkmcpqxot1b",)"
       R"("/two":{"sum":"2$abc","perm":"0755"},"/bad0":"0$tooshort",)"
       R"("/ten":"10$x","/plain":"2x"})",
       "/zero=2088418a3928a9c59a7b30ca49abbd38ebcdbbff2088418a3928a9c59a7b30ca;"
       "/two=2$abc?;/bad0=0$tooshort?;/ten=10$x;/plain=2x;",
       ""},
      {"p",
       R"({"/a\nforged sha256=00":"1$aa","/b":"1$b\u0000b","/ok":"1$cc",)"
       R"("/c\u0000":"1$dd","/d":"1$e\nf"})",
       "/ok=cc;", forged + forged + forged + forged},
      {"p", "[1]", "", "  [verbose] p: 'files' is not an object (type=1)\n"},
      {"p", "null", "", "  [verbose] p: 'files' is not an object (type=8)\n"},
  };
  verbose = true;
  for (const Case& c : cases) {
    std::string error;
    auto doc = ManifestDocument::parse(
        "{\"name\":\"p\",\"files\":" + std::string(c.files) + "}", &error);
    ASSERT_NE(doc, nullptr) << error;
    std::string messages;
    std::string got;
    for (const ChecksumEntry& e :
         collect_checksums(doc->root(), c.label, &messages).entries) {
      got += std::string(e.path) + "=" + std::string(e.checksum) +
             (e.needs_digest ? "?;" : ";");
    }
    EXPECT_EQ(got, c.want) << c.files;
    EXPECT_EQ(messages, c.messages) << c.files;
  }
  verbose = false;
}

}  // namespace
}  // namespace zps
