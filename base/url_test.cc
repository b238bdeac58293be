#include "base/url.h"

#include <string_view>
#include <utility>

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(IsAbsoluteUrl, NeedsASchemeAndAHost) {
  const std::pair<std::string_view, bool> cases[] = {
      {"https://x", true},     {"git+ssh://h/p", true},
      {"a1.-+://b", true},     {"Zz9://x", true},
      {"h://u:p@x:8/p", true}, {"h://[::1]:8/", true},
      {"h://x?q", true},       {"h://x#f", true},
      {"h://@x", true},        {"", false},
      {"UNKNOWN", false},      {"https://", false},
      {"h:///p", false},       {"h://@", false},
      {"h://u@/x", false},     {"h://:80/", false},
      {"h://?x", false},       {"h://#x", false},
      {"://x", false},         {"1http://x", false},
      {"ht tp://x", false},    {"example.org/x", false},
      {"mailto:a@b", false},   {"h:/x", false},
      {"h:x://y", false},
  };
  for (const auto& [text, want] : cases) {
    EXPECT_EQ(is_absolute_url(text), want) << text;
  }
}

}  // namespace
}  // namespace zps
