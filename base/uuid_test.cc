#include "base/uuid.h"

#include <set>

#include <gtest/gtest.h>

namespace zps {
namespace {

// RFC 4122's DNS namespace, 6ba7b810-9dad-11d1-80b4-00c04fd430c8.
const std::string kDnsNamespace(
    "\x6b\xa7\xb8\x10\x9d\xad\x11\xd1\x80\xb4\x00\xc0\x4f\xd4\x30\xc8", 16);

TEST(Uuid, SetsVersionAndVariantBits) {
  const std::pair<std::string, std::string> cases[] = {
      {std::string(16, '\0'), "00000000-0000-5000-8000-000000000000"},
      {std::string(16, '\xff'), "ffffffff-ffff-5fff-bfff-ffffffffffff"},
      {"\x01\x23\x45\x67\x89\xab\xcd\xef\x01\x23\x45\x67\x89\xab\xcd\xef",
       "01234567-89ab-5def-8123-456789abcdef"}};
  for (const auto& [bytes, want] : cases) {
    EXPECT_EQ(uuid_text(bytes, 5), want);
  }
  EXPECT_EQ(uuid_text(std::string(16, '\0'), 4),
            "00000000-0000-4000-8000-000000000000");
}

TEST(Uuid, NameBasedMatchesKnownAnswers) {
  // The answers of Python's uuid.uuid5, an implementation of its own.
  EXPECT_EQ(name_uuid(kDnsNamespace, "python.org"),
            "886313e1-3b8a-5372-9b90-0c9aee199e5d");
  EXPECT_EQ(name_uuid(kDnsNamespace, {"a\0b", 3}),
            "0a63f66b-e02f-5d2d-9fd4-aad819cf5352");
}

TEST(Uuid, RandomOnesAreVersion4AndDiffer) {
  std::set<std::string> seen;
  for (int i = 0; i < 64; ++i) {
    const std::optional<std::string> id = random_uuid();
    ASSERT_TRUE(id.has_value());
    ASSERT_EQ(id->size(), 36u);
    EXPECT_EQ((*id)[14], '4');
    EXPECT_NE(std::string("89ab").find((*id)[19]), std::string::npos);
    seen.insert(*id);
  }
  EXPECT_EQ(seen.size(), 64u);
}

}  // namespace
}  // namespace zps
