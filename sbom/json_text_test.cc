#include "sbom/json_text.h"

#include <stdlib.h>

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(JsonEscape, EscapesControlBytesQuoteAndBackslashOnly) {
  struct Case {
    std::string_view in, want;
  };
  const Case cases[] = {
      {"plain text / ~ \x7F", "plain text / ~ \x7F"},
      {"\"\\\t\n\r", "\\\"\\\\\\t\\n\\r"},
      {"\x01\x08\x0C\x1F", "\\u0001\\u0008\\u000c\\u001f"},
      {{"a\0b", 3}, "a\\u0000b"},
      {"caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBF",
       "caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBF"},
      // Not UTF-8: each maximal subpart becomes one U+FFFD (Unicode's
      // table 3-8 example), so does a byte that can start nothing, an
      // overlong form, a surrogate and a code point past U+10FFFF.
      {"a\xF1\x80\x80\xE1\x80\xC2"
       "b",
       "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
       "b"},
      {"\xFF\x80\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xED\xA0\x80\xF4\x90\x80\x80",
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xE0\xA0", "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(json_escape(c.in), c.want);
  }
}

TEST(SpdxId, KeepsLettersDigitsHyphensAndDotsOnly) {
  struct Case {
    std::string_view name, want;
  };
  const Case cases[] = {{"", "SPDXRef-"},
                        {"curl-8.9.1", "SPDXRef-curl-8.9.1"},
                        {"a_b+c d/e@f", "SPDXRef-a-b-c-d-e-f"},
                        {"AZaz09", "SPDXRef-AZaz09"},
                        {{"caf\xC3\xA9\0", 6}, "SPDXRef-caf---"}};
  for (const Case& c : cases) {
    EXPECT_EQ(spdx_id(c.name), c.want);
  }
}

TEST(UtcTimestamp, FormatsSecondsInUtcWhateverTheZone) {
  EXPECT_EQ(format_utc_timestamp(0), "1970-01-01T00:00:00Z");
  EXPECT_EQ(format_utc_timestamp(1735689599), "2024-12-31T23:59:59Z");
  EXPECT_EQ(format_utc_timestamp(951782400), "2000-02-29T00:00:00Z");
  setenv("TZ", "America/New_York", 1);
  tzset();
  EXPECT_EQ(format_utc_timestamp(1735689599), "2024-12-31T23:59:59Z");
  unsetenv("TZ");
  tzset();
  const std::string now = utc_timestamp();
  ASSERT_EQ(now.size(), 20u);
  EXPECT_EQ(now[10], 'T');
  EXPECT_EQ(now.back(), 'Z');
}

}  // namespace
}  // namespace zps
