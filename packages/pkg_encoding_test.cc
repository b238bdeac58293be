#include "packages/pkg_encoding.h"

#include <gtest/gtest.h>

#include "base/hex.h"

namespace zps {
namespace {

TEST(DecodePkgBase32, ReadsThePackageToolsSumsAndRejectsMalformedText) {
  // pkg 2.8 wrote this BLAKE2b-512 sum ("2$" type) for a file whose b2sum
  // prints the hex below.
  const std::string text =
      "q9kdw7jwgw5565csb8qxgh4ibkuzok1agnqdzqjrhuhb8omjn9m6e36q33hanw3ak5g4z8"
      "8z87s5r77tb4uormzxuxxnwaodqq5wfod";
  EXPECT_EQ(hex_text(decode_pkg_base32(text, 64).value_or("")),
            "eeab417ba286eeed37b3e1b867b8ae41cd0b95c446b8715d227cf270e04ae22f"
            "8fb27739732c68c66a1b7dcfb9a7db4d7a8f414f48d67df33d41311cce6d5ae0");
  // 32 bytes take 52 characters; the last holds one bit of data.
  const std::string ones(52, '9');
  EXPECT_EQ(decode_pkg_base32(ones.substr(0, 51) + "b", 32),
            std::string(32, '\xFF'));
  const std::string bad[] = {
      ones.substr(1), ones + "9",
      ones.substr(0, 51) + "l",   // outside the alphabet
      "Y" + ones.substr(1),       // upper case
      ones.substr(0, 51) + "n"};  // a bit set past the end
  for (const std::string& b : bad) {
    EXPECT_FALSE(decode_pkg_base32(b, 32).has_value()) << b;
  }
}

}  // namespace
}  // namespace zps
