#include "base/hex.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(Hex, WritesLowerCaseAndReadsEitherCase) {
  EXPECT_EQ(hex_text(""), "");
  EXPECT_EQ(hex_text(std::string_view("\x00\x0f\xab\xff", 4)), "000fabff");
  const std::string_view digits = "09afAFg/:@`G";
  const int want[] = {0, 9, 10, 15, 10, 15, -1, -1, -1, -1, -1, -1};
  for (size_t i = 0; i < digits.size(); ++i) {
    EXPECT_EQ(hex_digit_value(digits[i]), want[i]) << digits[i];
  }
}

}  // namespace
}  // namespace zps
