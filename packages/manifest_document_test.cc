#include "packages/manifest_document.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

std::unique_ptr<ManifestDocument> parse_ok(std::string text) {
  std::string error;
  auto doc = ManifestDocument::parse(std::move(text), &error);
  EXPECT_NE(doc, nullptr) << error;
  return doc;
}

// Keys in text order, each once with the value of its first occurrence, as
// members() and lookup() both see them: "key=value;" per member.
std::string members_text(const ManifestDocument& doc) {
  std::string text;
  for (const ManifestMember& m : doc.root().members()) {
    text +=
        std::string(m.key) + "=" + std::string(m.value.string().value_or("?")) +
        (doc.root().lookup(m.key)->string() == m.value.string() ? ";" : "!;");
  }
  return text;
}

TEST(ManifestDocument, KeepsKeyOrderAndTheFirstOfRepeatedKeys) {
  // Objects of more than a few members are searched through a sorted index;
  // sorted keys, unsorted keys and repeats must all give the same answer.
  std::string sorted = "{", unsorted = "{", want;
  for (int i = 0; i < 40; ++i) {
    const std::string key = "/p/" + std::to_string(100 + i);
    sorted += "\"" + key + "\":\"v" + std::to_string(i) + "\",";
    unsorted +=
        "\"" + std::to_string(139 - i) + "\":\"v" + std::to_string(i) + "\",";
    want += key + "=v" + std::to_string(i) + ";";
  }
  sorted += R"("/p/120":"again","a\u0000b":"nul","a":"short"})";
  unsorted += R"("120":"again","139":"again"})";
  const std::pair<std::string, std::string> cases[] = {
      {R"({"z":"1","a":"first","m":"2","a":"second"})", "z=1;a=first;m=2;"},
      {sorted, want + std::string("a\0b=nul;a=short;", 16)},
      {unsorted, "139=v0;138=v1;137=v2;"},
  };
  for (const auto& [text, prefix] : cases) {
    std::string error;
    auto doc = ManifestDocument::parse(text, &error);
    ASSERT_NE(doc, nullptr) << error;
    EXPECT_EQ(members_text(*doc).substr(0, prefix.size()), prefix) << text;
    EXPECT_EQ(members_text(*doc).find('!'), std::string::npos) << text;
  }
  auto doc = parse_ok(unsorted);
  EXPECT_EQ(doc->root().members().size(), 40u);
  EXPECT_EQ(doc->root().lookup("120")->string(), "v19");
  EXPECT_FALSE(doc->root().lookup("missing").has_value());
  EXPECT_FALSE(doc->root().lookup("120")->lookup("a").has_value());
}

TEST(ManifestDocument, ValuesKeepTheirTypeAndStringsTheirBytes) {
  const std::pair<std::string_view, ManifestType> types[] = {
      {"{}", ManifestType::kObject},
      {"[]", ManifestType::kArray},
      {"-12", ManifestType::kInteger},
      {"18446744073709551615", ManifestType::kInteger},
      {"1.0", ManifestType::kFloat},
      {"1e3", ManifestType::kFloat},
      {"true", ManifestType::kBoolean},
      {"null", ManifestType::kNull},
      {"\"s\"", ManifestType::kString}};
  for (const auto& [json, want] : types) {
    auto doc = parse_ok("{\"k\":" + std::string(json) + "}");
    EXPECT_EQ(doc->root().lookup("k")->type(), want) << json;
    EXPECT_EQ(doc->root().lookup("k")->string().has_value(),
              want == ManifestType::kString);
  }
  const std::pair<std::string_view, std::string_view> strings[] = {
      {R"("a\u0000b")", {"a\0b", 3}},
      {R"("caf\u00e9\ud83d\ude00")", "caf\xC3\xA9\xF0\x9F\x98\x80"},
      {R"("q\"b\\s\/t\tn\n")", "q\"b\\s/t\tn\n"},
      {"\"raw \xC3\xA9 invalid \xFF\xFE\"", "raw \xC3\xA9 invalid \xFF\xFE"},
      {R"("100%25")", "100%25"}};
  for (const auto& [json, want] : strings) {
    auto doc = parse_ok("{\"k\":" + std::string(json) + "}");
    EXPECT_EQ(doc->root().lookup("k")->string(), want) << json;
  }
  auto doc = parse_ok(R"({"a":["x",1],"s":"only"})");
  std::vector<ManifestValue> list = doc->root().lookup("a")->as_list();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].type(), ManifestType::kInteger);
  EXPECT_EQ(doc->root().lookup("s")->as_list().at(0).string(), "only");
}

TEST(ManifestDocument, ParseErrorsGiveMessageAndOffset) {
  std::string deepest;  // 1000 levels, the most allowed
  for (size_t i = 0; i < kMaxManifestDepth; ++i) {
    deepest = "{\"a\":" + deepest.append(deepest.empty() ? "1}" : "}");
  }
  EXPECT_NE(parse_ok(deepest), nullptr);
  const std::pair<std::string, std::string_view> cases[] = {
      {"", "The document is empty. (offset 0)"},
      {R"({"a":1,})", "Missing a name for object member. (offset 7)"},
      {R"({"a":1} x)",
       "The document root must not be followed by other values. (offset 8)"},
      {{"{\"a\":1}\0", 8}, "Invalid NUL byte in the text. (offset 7)"},
      {{"{\"a\":\"x\0y\"}", 11}, "Invalid NUL byte in the text. (offset 7)"},
      {{"\0{}", 3}, "Invalid NUL byte in the text. (offset 0)"},
      {"name: x", "Invalid value. (offset 1)"},
      {"[" + deepest + "]", "Nesting deeper than 1000 levels. (offset 4997)"},
      {std::string(10000000, '['),
       "Nesting deeper than 1000 levels. (offset 1001)"},
  };
  for (const auto& [text, want] : cases) {
    std::string error;
    EXPECT_EQ(ManifestDocument::parse(text, &error), nullptr);
    EXPECT_EQ(error, want) << text.substr(0, 40);
  }
}

}  // namespace
}  // namespace zps
