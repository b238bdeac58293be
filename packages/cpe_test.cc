#include "packages/cpe.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(Cpe23FormattedString, FillsEveryAttributeAndEscapesValues) {
  struct Case {
    std::string_view in;
    std::string_view want;
  };
  const Case cases[] = {
      // The ports framework's short forms: trailing attributes cut, empty
      // ones in the middle.
      {"cpe:2.3:a:haxx:curl:8.17.0:::::freebsd14:x64",
       "cpe:2.3:a:haxx:curl:8.17.0:*:*:*:*:freebsd14:x64:*"},
      {"cpe:2.3:a:gnu:bash:4.3.33:::::freebsd14:x64:1",
       "cpe:2.3:a:gnu:bash:4.3.33:*:*:*:*:freebsd14:x64:1"},
      {"cpe:2.3:a:jqlang:jq", "cpe:2.3:a:jqlang:jq:*:*:*:*:*:*:*:*"},
      {"cpe:2.3:o:freebsd:freebsd:14.2:p1:-:en-us:*:*:*:-",
       "cpe:2.3:o:freebsd:freebsd:14.2:p1:-:en-us:*:*:*:-"},
      {"cpe:2.3:h:vendor:box:1:::EN:::arm64",
       "cpe:2.3:h:vendor:box:1:*:*:EN:*:*:arm64:*"},
      {"cpe:2.3:*:-:p", "cpe:2.3:*:-:p:*:*:*:*:*:*:*:*"},
      {"cpe:2.3:a:v:p::::es-419", "cpe:2.3:a:v:p:*:*:*:es-419:*:*:*:*"},
      // Escapes: a ":" inside a value; "." "-" "_" written bare; other
      // punctuation written bare by the framework gets its escape.
      {"cpe:2.3:a:v:p\\:q:1\\.0\\-rc\\_1",
       "cpe:2.3:a:v:p\\:q:1.0-rc_1:*:*:*:*:*:*:*"},
      {"cpe:2.3:a:gnome:gtk+:2.0,1:~x:@a",
       "cpe:2.3:a:gnome:gtk\\+:2.0\\,1:\\~x:\\@a:*:*:*:*:*"},
      {"cpe:2.3:a:v:a\\\\b:1\\*", "cpe:2.3:a:v:a\\\\b:1\\*:*:*:*:*:*:*:*"},
      {"cpe:2.3:a:v:p:en\\-us:::en\\-us",
       "cpe:2.3:a:v:p:en-us:*:*:en-us:*:*:*:*"},
      // Wildcards at either end of a value.
      {"cpe:2.3:a:v:*p:1.?:??x:y*", "cpe:2.3:a:v:*p:1.?:??x:y*:*:*:*:*:*"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(cpe23_formatted_string(c.in).value_or("(none)"), c.want);
  }
}

TEST(Cpe23FormattedString, RefusesWhatIsNotACpe23Name) {
  const std::string_view cases[] = {
      "",
      "cpe:2.3",
      "cpe:/a:haxx:curl:8.17.0",  // a CPE 2.2 URI
      "CPE:2.3:a:haxx:curl",
      " cpe:2.3:a:haxx:curl",
      "cpe:2.2:a:haxx:curl",
      "cpe:2.3:a:v:p:1:u:e:l:s:t:h:o:extra",  // twelve attributes
      "cpe:2.3:a:v:p:1::::::::",              // twelve, the last empty
      "cpe:2.3:a:haxx:curl:8.17 0",
      "cpe:2.3:a:haxx:curl:8.17.0\t",
      {"cpe:2.3:a:haxx:curl\0x:1", 23},
      "cpe:2.3:a:haxx:curl:8.17.0\n",
      "cpe:2.3:a:haxx:curl:\x7f",
      "cpe:2.3:a:haxx:caf\xC3\xA9",
      "cpe:2.3:x:haxx:curl",  // no such part
      "cpe:2.3:A:haxx:curl",  // part letters are lower case
      "cpe:2.3:app:haxx:curl",
      "cpe:2.3:a:haxx",      // no product
      "cpe:2.3:a:haxx:*:1",  // a product that matches every product
      "cpe:2.3:a:haxx:-",
      "cpe:2.3:a:haxx:curl\\",  // an escape of nothing
      "cpe:2.3:a:haxx:cu\\rl",  // an escape of a letter
      "cpe:2.3:a:haxx:curl:\\1",
      "cpe:2.3:a:haxx:cu*rl",  // a wildcard inside a value
      "cpe:2.3:a:haxx:cu?rl",
      "cpe:2.3:a:haxx:**curl",
      "cpe:2.3:a:haxx:curl:??",  // wildcards without a body
      "cpe:2.3:a:haxx:curl:*?",
      "cpe:2.3:a:haxx:curl::::english",  // not a language tag
      "cpe:2.3:a:haxx:curl::::e",
      "cpe:2.3:a:haxx:curl::::en-u",
      "cpe:2.3:a:haxx:curl::::en-12",
      "cpe:2.3:a:haxx:curl::::en-us1",
      "cpe:2.3:a:haxx:curl::::en-1s",
      "cpe:2.3:a:haxx:curl::::en-a19",
      "cpe:2.3:a:haxx:curl::::en_us",
  };
  for (std::string_view c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c)));
    EXPECT_EQ(cpe23_formatted_string(c), std::nullopt);
  }
}

}  // namespace
}  // namespace zps
