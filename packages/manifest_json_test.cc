#include "packages/manifest_json.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

std::unique_ptr<ManifestDocument> must_parse(std::string_view text) {
  std::string error;
  auto doc = ManifestDocument::parse(text, &error);
  EXPECT_NE(doc, nullptr) << error;
  return doc;
}

std::vector<std::string> keys_of(const ManifestValue& v) {
  std::vector<std::string> keys;
  for (const ManifestMember& m : v.members()) {
    keys.emplace_back(m.key);
  }
  return keys;
}

TEST(ManifestJson, KeepsKeyOrderAndTheFirstOfRepeatedKeys) {
  auto doc = must_parse(R"({"z":1,"a":"first","m":2,"a":"second","b":3})");
  ASSERT_NE(doc, nullptr);
  const ManifestValue root = doc->root();
  EXPECT_EQ(keys_of(root), (std::vector<std::string>{"z", "a", "m", "b"}));
  EXPECT_EQ(root.lookup("a")->string(), "first");
  std::vector<ManifestMember> members = root.members();
  EXPECT_EQ(members[1].value.string(), "first");
  EXPECT_FALSE(root.lookup("missing").has_value());
  EXPECT_FALSE(root.lookup("z")->lookup("a").has_value());  // not an object
}

TEST(ManifestJson, DeduplicatesLargeObjectsLikeSmallOnes) {
  std::string text = "{";
  for (int i = 0; i < 40; ++i) {
    text += "\"k" + std::to_string(i % 25) + "\":" + std::to_string(i) + ",";
  }
  text.back() = '}';
  auto doc = must_parse(text);
  ASSERT_NE(doc, nullptr);
  std::vector<ManifestMember> members = doc->root().members();
  ASSERT_EQ(members.size(), 25u);
  EXPECT_EQ(members[24].key, "k24");
  std::optional<ManifestValue> k3 = doc->root().lookup("k3");
  ASSERT_TRUE(k3.has_value());
  EXPECT_EQ(k3->type(), kTypeInteger);
}

TEST(ManifestJson, StringsAreBytesWithEscapesDecoded) {
  struct Case {
    std::string_view json;
    std::string_view want;
  };
  const Case cases[] = {
      {R"("plain")", "plain"},
      {R"("a\u0000b")", {"a\0b", 3}},
      {R"("caf\u00e9")", "caf\xC3\xA9"},
      {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
      {R"("q\"b\\s\/t\tn\n")", "q\"b\\s/t\tn\n"},
      {"\"raw \xC3\xA9 and invalid \xFF\xFE\"",
       "raw \xC3\xA9 and invalid \xFF\xFE"},
      {R"("100%25")", "100%25"},  // no other decoding happens here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.json));
    auto doc = must_parse(std::string("{\"k\":") + std::string(c.json) + "}");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->root().lookup("k")->string(), c.want);
  }
}

TEST(ManifestJson, KeysWithNulBytesAreMatchedWhole) {
  auto doc = must_parse(R"({"a\u0000b":1,"a":2})");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->root().lookup(std::string_view("a\0b", 3))->type(),
            kTypeInteger);
  EXPECT_EQ(doc->root().members().size(), 2u);
}

TEST(ManifestJson, TypeNumbers) {
  struct Case {
    std::string_view json;
    int want;
  };
  const Case cases[] = {
      {"{}", kTypeObject},
      {"[]", kTypeArray},
      {"0", kTypeInteger},
      {"-12", kTypeInteger},
      {"18446744073709551615", kTypeInteger},
      {"1.0", kTypeFloat},
      {"1e3", kTypeFloat},
      {"\"s\"", kTypeString},
      {"true", kTypeBoolean},
      {"false", kTypeBoolean},
      {"null", kTypeNull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.json));
    auto doc = must_parse(std::string("{\"k\":") + std::string(c.json) + "}");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->root().lookup("k")->type(), c.want);
    EXPECT_EQ(doc->root().lookup("k")->string().has_value(),
              c.want == kTypeString);
  }
}

TEST(ManifestJson, AsListYieldsArrayElementsOrTheValueItself) {
  auto doc = must_parse(R"({"a":["x",1,"y"],"s":"only"})");
  ASSERT_NE(doc, nullptr);
  std::vector<ManifestValue> list = doc->root().lookup("a")->as_list();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].string(), "x");
  EXPECT_EQ(list[1].type(), kTypeInteger);
  std::vector<ManifestValue> single = doc->root().lookup("s")->as_list();
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].string(), "only");
  EXPECT_TRUE(doc->root().lookup("s")->members().empty());
}

TEST(ManifestJson, ParseErrorsGiveMessageAndOffset) {
  struct Case {
    std::string_view text;
    std::string_view want;
  };
  const Case cases[] = {
      {"", "The document is empty. (offset 0)"},
      {R"({"a":1,})", "Missing a name for object member. (offset 7)"},
      {R"({"a":1} x)",
       "The document root must not be followed by other "
       "values. (offset 8)"},
      {{"{\"a\":1}\0x", 9}, "Invalid NUL byte in the text. (offset 7)"},
      {"name: x", "Invalid value. (offset 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    std::string error;
    EXPECT_EQ(ManifestDocument::parse(c.text, &error), nullptr);
    EXPECT_EQ(error, c.want);
  }
}

TEST(ManifestJson, DeepNestingParsesWithoutRecursion) {
  constexpr int kDepth = 100000;
  std::string text(kDepth, '[');
  text += std::string(kDepth, ']');
  auto doc = must_parse(text);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->root().type(), kTypeArray);

  std::string objects;
  for (int i = 0; i < kDepth; ++i) {
    objects += "{\"a\":";
  }
  objects += "1" + std::string(kDepth, '}');
  EXPECT_NE(must_parse(objects), nullptr);
}

}  // namespace
}  // namespace zps
