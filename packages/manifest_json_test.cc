#include "packages/manifest_json.h"

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

namespace zps {
namespace {

std::unique_ptr<ManifestDocument> must_parse(std::string_view text) {
  std::string error;
  auto doc = ManifestDocument::parse(std::string(text), &error);
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
      {{"{\"a\":1}\0", 8}, "Invalid NUL byte in the text. (offset 7)"},
      {{"{\"a\":\"x\0y\"}", 11}, "Invalid NUL byte in the text. (offset 7)"},
      {{"{\"a\"\0:1}", 9}, "Invalid NUL byte in the text. (offset 4)"},
      {{"\0{}", 3}, "Invalid NUL byte in the text. (offset 0)"},
      {"name: x", "Invalid value. (offset 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    std::string error;
    EXPECT_EQ(ManifestDocument::parse(std::string(c.text), &error), nullptr);
    EXPECT_EQ(error, c.want);
  }
}

TEST(ManifestJson, NestingBeyondTheLimitIsAParseError) {
  struct Case {
    std::string open, close;
  };
  const Case cases[] = {{"[", "]"}, {"{\"a\":", "}"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.open);
    std::string deepest;
    for (size_t i = 0; i < kMaxManifestDepth; ++i) {
      deepest += c.open;
    }
    deepest += "1";
    for (size_t i = 0; i < kMaxManifestDepth; ++i) {
      deepest += c.close;
    }
    EXPECT_NE(must_parse(deepest), nullptr);

    std::string error;
    EXPECT_EQ(ManifestDocument::parse("[" + deepest + "]", &error), nullptr);
    // The offset is just past the bracket that opens level 1001.
    const size_t offset = 1 + (kMaxManifestDepth - 1) * c.open.size() + 1;
    EXPECT_EQ(error, "Nesting deeper than 1000 levels. (offset " +
                         std::to_string(offset) + ")");
  }
  // Far deeper input ends at the limit too, without exhausting the stack.
  std::string error;
  EXPECT_EQ(ManifestDocument::parse(std::string(10000000, '['), &error),
            nullptr);
  EXPECT_EQ(error, "Nesting deeper than 1000 levels. (offset 1001)");
}

TEST(ManifestJson, FindsRepeatedKeysInSortedAndUnsortedObjects) {
  struct Case {
    std::string name;
    std::vector<std::string> keys;
    size_t unique;
  };
  std::vector<std::string> sorted, sorted_repeat, shuffled;
  for (int i = 0; i < 100; ++i) {
    sorted.push_back("/p/" + std::to_string(1000 + i));
  }
  sorted_repeat = sorted;
  sorted_repeat.insert(sorted_repeat.begin() + 50, sorted[50]);
  shuffled = sorted;
  std::swap(shuffled[3], shuffled[97]);
  shuffled.push_back(sorted[10]);
  const Case cases[] = {
      {"sorted", sorted, 100},
      {"sorted with a repeat", sorted_repeat, 100},
      {"unsorted with a repeat", shuffled, 100},
      {"small repeat", {"b", "a", "b"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = "{";
    for (size_t i = 0; i < c.keys.size(); ++i) {
      text +=
          (i ? ",\"" : "\"") + c.keys[i] + "\":\"v" + std::to_string(i) + "\"";
    }
    text += "}";
    auto doc = must_parse(text);
    ASSERT_NE(doc, nullptr);
    std::vector<ManifestMember> members = doc->root().members();
    EXPECT_EQ(members.size(), c.unique);
    std::set<std::string_view> distinct;
    for (const ManifestMember& m : members) {
      distinct.insert(m.key);
      // The first occurrence's value is the one kept.
      std::string want =
          "v" + std::to_string(std::find(c.keys.begin(), c.keys.end(), m.key) -
                               c.keys.begin());
      std::optional<ManifestValue> looked_up = doc->root().lookup(m.key);
      ASSERT_TRUE(looked_up.has_value());
      EXPECT_EQ(looked_up->string(), want);
      EXPECT_EQ(m.value.string(), want);
    }
    EXPECT_EQ(distinct.size(), c.unique);
  }
}

}  // namespace
}  // namespace zps
