#include "packages/pkg_encoding.h"

#include <gtest/gtest.h>

#include "testutil/pkg_base32.h"

namespace zps {
namespace {

TEST(PercentDecode, DecodesTwoHexDigitsOnly) {
  struct Case {
    std::string_view in, want;
  };
  const Case cases[] = {
      {"", ""},
      {"/usr/local/share/caf%c3%a9.txt", "/usr/local/share/caf\xC3\xA9.txt"},
      {"100%25.txt", "100%.txt"},
      {"%C3%A9", "\xC3\xA9"},
      {"%00x", {"\0x", 2}},
      {"%0a", "\n"},
      {"%", "%"},
      {"%2", "%2"},
      {"50%", "50%"},
      {"%zz%2g%%41", "%zz%2g%A"},
      {"%2525", "%25"},  // one pass only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(percent_decode(c.in), c.want) << c.in;
  }
}

TEST(DecodePkgBase32, RoundTripsAndRejectsMalformedText) {
  std::string bytes;
  for (int i = 0; i < 32; ++i) {
    bytes += static_cast<char>(i * 37 + 11);
  }
  const std::string text = encode_pkg_base32(bytes);
  ASSERT_EQ(text.size(), 52u);
  EXPECT_EQ(decode_pkg_base32(text, 32), bytes);
  EXPECT_EQ(decode_pkg_base32(encode_pkg_base32(std::string(32, '\xFF')), 32),
            std::string(32, '\xFF'));
  EXPECT_EQ(decode_pkg_base32(encode_pkg_base32(std::string(64, '\x5A')), 64),
            std::string(64, '\x5A'));
  struct Bad {
    std::string name, text;
  };
  const Bad bad[] = {
      {"one short", text.substr(1)},
      {"one long", text + "y"},
      {"outside the alphabet", text.substr(0, 51) + "l"},
      {"upper case", "Y" + text.substr(1)},
      {"stray bit past the end", text.substr(0, 51) + "n"},  // value 2
  };
  for (const Bad& b : bad) {
    EXPECT_FALSE(decode_pkg_base32(b.text, 32).has_value()) << b.name;
  }
}

TEST(DecodePkgBase32, ReadsThePackageToolsOwnSums) {
  // pkg 2.8 wrote this BLAKE2b-512 sum ("2$" type) for a file whose b2sum
  // prints the hex below.
  std::optional<std::string> digest = decode_pkg_base32(
      "q9kdw7jwgw5565csb8qxgh4ibkuzok1agnqdzqjrhuhb8omjn9m6e36q33hanw3ak5g4z8"
      "8z87s5r77tb4uormzxuxxnwaodqq5wfod",
      64);
  ASSERT_TRUE(digest.has_value());
  EXPECT_EQ(hex_text(*digest),
            "eeab417ba286eeed37b3e1b867b8ae41cd0b95c446b8715d227cf270e04ae22f"
            "8fb27739732c68c66a1b7dcfb9a7db4d7a8f414f48d67df33d41311cce6d5ae0");
}

TEST(HexText, IsLowerCase) {
  EXPECT_EQ(hex_text(""), "");
  EXPECT_EQ(hex_text(std::string_view("\x00\xAB\xff", 3)), "00abff");
}

}  // namespace
}  // namespace zps
