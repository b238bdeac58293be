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

TEST(ManifestDocument, BoundedListsKeepTheirFirstValues) {
  struct Case {
    std::string json;
    size_t max_count, max_bytes;
    std::string want;  // the strings, each followed by ";", then + for more
  };
  const Case cases[] = {
      {R"(["a",1,"bb",null,"c"])", 9, 9, "a;bb;c;"},
      {R"(["a",1,"bb",null,"c"])", 2, 9, "a;bb;+"},
      {R"(["a",1,"bb",null,"c"])", 9, 3, "a;bb;+"},
      {R"(["a",1,"bb",null,"c"])", 9, 2, "a;+"},
      {R"(["a","bb"])", 2, 3, "a;bb;"},
      {R"("single")", 1, 6, "single;"},
      {R"("single")", 1, 5, "+"},
      {R"({"k":"v"})", 9, 9, ""},
  };
  for (const Case& c : cases) {
    auto doc = parse_ok(R"({"l":)" + c.json + "}");
    bool more = false;
    std::string got;
    for (std::string_view text : doc->root().lookup("l")->list_strings(
             c.max_count, c.max_bytes, &more)) {
      got += std::string(text) + ";";
    }
    EXPECT_EQ(got + (more ? "+" : ""), c.want) << c.json << " " << c.max_count;
  }
  auto doc = parse_ok(R"({"b":"1","a":"2","b":"3","c":"4","a":"5","d":"6"})");
  for (size_t max_count : {1, 3, 4, 9}) {
    bool more = false;
    std::string got;
    for (const ManifestMember& m : doc->root().members(max_count, &more)) {
      got += std::string(m.key) + std::string(*m.value.string());
    }
    EXPECT_EQ(got, std::string("b1a2c4d6").substr(0, 2 * max_count));
    EXPECT_EQ(more, max_count < 4) << max_count;
  }
}

// The value as typed text: objects through members(), so a repeated key
// shows once; I, F, B and N for integers, floats, booleans and null.
std::string typed_text(ManifestValue value) {
  switch (value.type()) {
    case ManifestType::kObject: {
      std::string text = "{";
      for (const ManifestMember& m : value.members()) {
        text += std::string(m.key) + ":" + typed_text(m.value) + ",";
      }
      return text + "}";
    }
    case ManifestType::kArray: {
      std::string text = "[";
      for (const ManifestValue& e : value.as_list()) {
        text += typed_text(e) + ",";
      }
      return text + "]";
    }
    case ManifestType::kString:
      return "'" + std::string(*value.string()) + "'";
    case ManifestType::kInteger:
      return "I";
    case ManifestType::kFloat:
      return "F";
    case ManifestType::kBoolean:
      return "B";
    case ManifestType::kNull:
      return "N";
  }
  return "?";
}

std::string parsed_text(std::string text) {
  std::string error;
  auto doc = ManifestDocument::parse(std::move(text), &error);
  return doc == nullptr ? "error: " + error : typed_text(doc->root());
}

TEST(ManifestDocument, ReadsTheConfigurationSyntaxAsItsJson) {
  const std::pair<std::string, std::string> cases[] = {
      // As the package tool expands a manifest.
      {"name = \"x\";\nlicenses [\n    \"GPLv2+\",\n    \"MIT\",\n]\n"
       "deps {\n    libfoo {\n        version = \"2.3.1\";\n    }\n}\n"
       "files {\n    /usr/local/bin/x {\n        sum = \"1$ab\";\n"
       "        mtime = 1735689600;\n    }\n"
       "    \"/usr/local/My File\" = \"1$cd\";\n}\n",
       R"({"name":"x","licenses":["GPLv2+","MIT"],"deps":{"libfoo":)"
       R"({"version":"2.3.1"}},"files":{"/usr/local/bin/x":{"sum":"1$ab",)"
       R"("mtime":1735689600},"/usr/local/My File":"1$cd"}})"},
      {"a: 1, b 'it\\'s \\x',\n'c d' : \"\\u00e9\\n\"; a = 2",
       R"({"a":1,"b":"it's \\x","c d":"\u00e9\n"})"},
      // A backslash takes the next byte: a quote, a line break or itself.
      {"w = 'w\\\\', x = '\\\r\n\\\r\\\n\\\\\\'\\y'",
       R"({"w":"w\\\\","x":"\\\\'\\y"})"},
      {R"(u = "\u0041\u00A9\u20ac\uD83D\uDE00\u0000.")",
       R"({"u":"\u0041\u00A9\u20ac\uD83D\uDE00\u0000."})"},
      {"# top\n// more\n/* a /* nested */ comment */ k = v // after\n",
       R"({"k":"v"})"},
      {"d = <<EOD\nline 1\n  EOD inside\nEODX\nEOD\ne = <<EOD\nEOD;\nf = <<X;\n"
       "g = <<END\nlast\nEND",
       R"({"d":"line 1\n  EOD inside\nEODX","e":"","f":"<<X","g":"last"})"},
      {"t = [yes, ON, true, no, Off, FALSE, null, NULL]",
       R"({"t":[true,true,true,false,false,false,null,null]})"},
      {"n = [0, -5, +3, 1.5, 2E3, 0x1F, -0xff, 1., 0x, -, +-1, 01x]",
       R"({"n":[0,0,0,1.0,1.0,0,0,"1.","0x","-","+-1","01x"]})"},
      {"www = https://example.org/a#b?c=1;\np = /usr/x//y",
       R"({"www":"https://example.org/a#b?c=1","p":"/usr/x//y"})"},
      {"# only a comment\n", "{}"},
      {" # braces\n{ \"a\": [1, {}] }", R"({"a":[1,{}]})"},
  };
  for (const auto& [ucl, json] : cases) {
    EXPECT_EQ(parsed_text(ucl), parsed_text(json)) << ucl;
    EXPECT_EQ(parsed_text(ucl).find("error"), std::string::npos) << ucl;
  }
}

TEST(ManifestDocument, RefusesMacrosAndBrokenConfigurationText) {
  const std::pair<std::string, std::string> cases[] = {
      {".include \"/etc/passwd\"", "Macros are not read: .include (offset 0)"},
      {"a {\n .priority 5\n}", "Macros are not read: .priority (offset 5)"},
      {"a = \"open", "Missing a closing quotation mark in string. (offset 4)"},
      {"a = 'open", "Missing a closing quotation mark in string. (offset 4)"},
      {"a = 'x\\", "Missing a closing quotation mark in string. (offset 4)"},
      {"a = \"x\ny\"", "Invalid control character in string. (offset 6)"},
      {"a = \"\\q\"", "Invalid escape character in string. (offset 6)"},
      {"a = \"\\ud800x\"",
       "The surrogate pair in string is invalid. (offset 11)"},
      {"a = \"\\ud800\\u0041\"",
       "The surrogate pair in string is invalid. (offset 11)"},
      {"a = \"\\u12\"",
       "Incorrect hex digit after \\u escape in string. (offset 7)"},
      {"a = 1 /* open", "Missing the end of a comment. (offset 6)"},
      {"a = /* open", "Missing the end of a comment. (offset 4)"},
      {"a = <<EOD\nno end\n", "Missing the end of a heredoc. (offset 4)"},
      {"a { b = 1", "Missing a closing '}' of an object. (offset 9)"},
      {"a [ 1", "Missing a closing ']' of an array. (offset 5)"},
      {"a = 1 }", "Missing a name for object member. (offset 6)"},
      {"a = ;", "Invalid value. (offset 4)"},
      {"a =", "Missing a value after a key. (offset 3)"},
      {"# c\n{ a = 1 } b",
       "The document root must not be followed by "
       "other values. (offset 14)"},
      {{"a = 1\0", 6}, "Invalid NUL byte in the text. (offset 5)"},
      {"a " + std::string(1001, '['),
       "Nesting deeper than 1000 levels. (offset 1001)"},
  };
  for (const auto& [text, want] : cases) {
    EXPECT_EQ(parsed_text(text), "error: " + want) << text;
  }
}

TEST(ManifestDocument, ReadsNumbersBeyondTheRangeOfADouble) {
  const std::string huge(400, '9');
  const std::pair<std::string, std::string> cases[] = {
      {R"({"q\"":"x\u00e9","n":1e309,"s":"\n\u0041\u00A9\u20AC\ud83d\ude00"})",
       "{q\":'x\xC3\xA9',n:F,s:'\nA\xC2\xA9\xE2\x82\xAC\xF0\x9F\x98\x80',}"},
      {"{\"x\":[1,2,{\"y\":-" + huge + ",\"z\":[true]}],\"w\":[0.5,1E+999]}",
       "{x:[I,I,{y:I,z:[B,],},],w:[F,F,],}"},
      {"[" + huge + ".5e-99999," + huge + "]", "[F,I,]"},
      {R"({"a":1e309,})",
       "error: Missing a name for object member. (offset 11)"},
      {R"({"a":1e309 "b"})",
       "error: Missing a comma or '}' after an object member. (offset 11)"},
      {"[1e309 x]",
       "error: Missing a comma or ']' after an array element. (offset 7)"},
      {"[1e309,01]",
       "error: Missing a comma or ']' after an array "
       "element. (offset 8)"},
      {"[1e309,1.]", "error: Missing fraction part in number. (offset 7)"},
      {"[1e309,tru]", "error: Invalid value. (offset 7)"},
      {"[1e309] 2",
       "error: The document root must not be followed by other "
       "values. (offset 8)"},
  };
  for (const auto& [json, want] : cases) {
    EXPECT_EQ(parsed_text(json), want) << json.substr(0, 60);
  }
}

// An array keeps only its first elements; the values past them are read
// (and checked) but get no node, in either syntax and past a number beyond
// a double's range, and what follows the array is found as before.
TEST(ManifestDocument, LongArraysKeepTheirFirstElements) {
  auto repeat = [](const std::string& item, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
      out += (i == 0 ? "" : ",") + item;
    }
    return out;
  };
  const size_t kept = kMaxKeptArrayElements;
  struct Case {
    std::string text;
    size_t want_strings;
    bool want_more;
  };
  const Case cases[] = {
      {R"({"l":[)" + repeat(R"("s")", kept) + R"(],"name":"n"})", kept, false},
      {R"({"l":[)" + repeat(R"("s")", kept + 1) + R"(],"name":"n"})", kept,
       true},
      {R"({"l":[)" + repeat("0", kept) +
           R"(,"late",[[1,["x"]],{"k":"v"}]],"name":"n"})",
       0, true},
      {R"({"l":[)" + repeat("0", kept) +
           R"(,[1e309,{"a":[-1e999]}],"y"],"name":"n"})",
       0, true},
      {R"({"l":[1e309,)" + repeat(R"("s")", kept + 5) + R"(],"name":"n"})",
       kept - 1, true},
      {"l [" + repeat(R"("s")", kept + 3) + "]\nname = n;\n", kept, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    auto doc = parse_ok(c.text);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->root().lookup("name")->string(), "n");
    const ManifestValue list = *doc->root().lookup("l");
    EXPECT_LE(list.as_list().size(), kept);
    bool more = false;
    EXPECT_EQ(list.list_strings(2 * kept, size_t{1} << 20, &more).size(),
              c.want_strings);
    EXPECT_EQ(more, c.want_more);
  }
}

}  // namespace
}  // namespace zps
