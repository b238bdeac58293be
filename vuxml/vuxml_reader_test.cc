#include "vuxml/vuxml_reader.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "testutil/temp_dir.h"

namespace zps {
namespace {

constexpr std::string_view kDocument = R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE vuxml PUBLIC "-//vuxml.org//DTD VuXML 1.1//EN" "http://www.vuxml.org/dtd/vuxml-1/vuxml-11.dtd">
<vuxml xmlns="http://www.vuxml.org/apps/vuxml-1">
  <vuln vid="c6f4177c-8e29-11ef-98e7-84a93843eb75">
    <topic>OpenSSL --
	OOB  &amp; <b>memory</b> access&#10;</topic>
    <affects>
      <package>
	<name> openssl </name>
	<name>openssl-quictls</name>
	<range><lt>3.0.15_1,1</lt></range>
	<range>
	  <ge>3.1</ge><le>3.1.7</le><zz>9</zz>
	</range>
	<range/>
      </package>
      <system><name>FreeBSD</name><range><lt>14.2</lt></range></system>
    </affects>
    <description><body xmlns="http://www.w3.org/1999/xhtml"><p>text</p></body></description>
    <references>
      <cvename>CVE-2024-9143</cvename>
      <cvename>CAN-2003-0001</cvename>
      <cvename>CVE-2024-914</cvename>
      <url>https://openssl-library.org/news/secadv/20241016.txt</url>
    </references>
    <dates>
      <discovery>2024-10-16</discovery>
      <entry>2024-10-18</entry>
      <!-- a comment -->
      <modified>2024-11-02</modified>
    </dates>
  </vuln>
  <vuln vid="gone">
    <topic>cancelled</topic>
    <affects><package><name>openssl</name><range/></package></affects>
    <cancelled/>
  </vuln>
  <vuln vid="halibut"><affects><package><name>halibut</name><range><eq>1.2</eq></range></package></affects></vuln>
</vuxml>
)";

TEST(ParseVuxml, KeepsWhatMatchingNeeds) {
  std::string reason;
  std::optional<std::vector<Advisory>> read = parse_vuxml(kDocument, &reason);
  ASSERT_TRUE(read) << reason;
  ASSERT_EQ(read->size(), 2u);
  const Advisory& a = (*read)[0];
  EXPECT_EQ(a.vid, "c6f4177c-8e29-11ef-98e7-84a93843eb75");
  EXPECT_EQ(a.topic, "OpenSSL -- OOB & access");
  EXPECT_EQ(a.entry, "2024-10-18");
  EXPECT_EQ(a.modified, "2024-11-02");
  EXPECT_EQ(a.cves, std::vector<std::string>{"CVE-2024-9143"});
  ASSERT_EQ(a.packages.size(), 1u);  // <system> is not read
  const AffectedPackage& p = a.packages[0];
  EXPECT_EQ(p.names, (std::vector<std::string>{"openssl", "openssl-quictls"}));
  ASSERT_EQ(p.ranges.size(), 3u);
  ASSERT_EQ(p.ranges[0].bounds.size(), 1u);
  EXPECT_EQ(p.ranges[0].bounds[0].kind, BoundKind::kLt);
  EXPECT_EQ(p.ranges[0].bounds[0].version, "3.0.15_1,1");
  ASSERT_EQ(p.ranges[1].bounds.size(), 2u);
  EXPECT_EQ(p.ranges[1].bounds[0].kind, BoundKind::kGe);
  EXPECT_EQ(p.ranges[1].bounds[1].kind, BoundKind::kLe);
  EXPECT_EQ(p.ranges[1].bounds[1].version, "3.1.7");
  EXPECT_TRUE(p.ranges[2].bounds.empty());
  const Advisory& b = (*read)[1];
  EXPECT_EQ(b.vid, "halibut");
  EXPECT_EQ(b.topic, "");
  ASSERT_EQ(b.packages.size(), 1u);
  EXPECT_EQ(b.packages[0].ranges.at(0).bounds.at(0).kind, BoundKind::kEq);
}

TEST(ParseVuxml, GivesTheSameInAnyPieces) {
  for (size_t piece : {size_t{1}, size_t{7}, size_t{4096}}) {
    SCOPED_TRACE(piece);
    VuxmlParser parser;
    for (size_t at = 0; at < kDocument.size(); at += piece) {
      ASSERT_TRUE(parser.feed(kDocument.substr(at, piece))) << parser.error();
    }
    ASSERT_TRUE(parser.finish()) << parser.error();
    std::vector<Advisory> read = parser.take_advisories();
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].topic, "OpenSSL -- OOB & access");
    EXPECT_EQ(read[0].packages.at(0).names.at(0), "openssl");
  }
}

std::string nested(size_t depth) {
  std::string text = "<vuxml>";
  for (size_t i = 0; i < depth; ++i) {
    text += "<a>";
  }
  for (size_t i = 0; i < depth; ++i) {
    text += "</a>";
  }
  return text + "</vuxml>";
}

std::string with_topic(std::string_view topic) {
  return "<vuxml><vuln vid=\"v\"><topic>" + std::string(topic) +
         "</topic></vuln></vuxml>";
}

// Hostile or broken documents: each is refused with its reason, or read
// within the bounds, and no outside byte ever enters.
TEST(ParseVuxml, RefusesHostileDocuments) {
  struct Case {
    std::string name;
    std::string text;
    std::string reason;  // empty: read
  };
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE vuxml [<!ENTITY a \"aaaaaaaaaa\">"
      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
      "<vuxml><vuln vid=\"v\"><topic>&c;&c;&c;</topic></vuln></vuxml>";
  const Case cases[] = {
      {"entity expansion", laughs, "the document declares an entity (line 1)"},
      {"external entity",
       "<!DOCTYPE vuxml [<!ENTITY x SYSTEM \"/etc/passwd\">]>" +
           with_topic("&x;"),
       "the document declares an entity (line 1)"},
      {"parameter entity",
       "<!DOCTYPE vuxml [<!ENTITY % p SYSTEM \"/etc/passwd\"> %p;]>" +
           with_topic("t"),
       "the document declares an entity (line 1)"},
      {"undeclared entity", with_topic("&x;"), "undefined entity"},
      {"nesting at the bound", nested(kMaxVuxmlDepth - 1), ""},
      {"nesting past the bound", nested(10000),
       "elements nested deeper than 256 (line 1)"},
      {"kept text at the bound", with_topic(std::string(65536, 'a')), ""},
      {"kept text past the bound", with_topic(std::string(65537, 'a')),
       "an element's text is longer than 65536 bytes (line 1)"},
      {"long text not kept",
       "<vuxml><vuln vid=\"v\"><description>" + std::string(1 << 20, 'a') +
           "</description></vuln></vuxml>",
       ""},
      {"invalid UTF-8", with_topic("\xC3\x28"),
       "not well-formed (invalid token) (line 1"},
      {"ends early", with_topic("t").substr(0, 30), "unclosed token (line 1"},
      {"no element", "", "no element found (line 1"},
      {"not VuXML", "<html><vuln vid=\"v\"/></html>",
       "the root element is not <vuxml> (line 1)"},
      {"two roots", "<vuxml/><vuxml/>", "junk after document element"},
      {"NUL byte", std::string("<vuxml>\0</vuxml>", 16), "not well-formed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string reason;
    std::optional<std::vector<Advisory>> read = parse_vuxml(c.text, &reason);
    if (c.reason.empty()) {
      EXPECT_TRUE(read) << reason;
      continue;
    }
    EXPECT_FALSE(read);
    EXPECT_EQ(reason.substr(0, c.reason.size()), c.reason);
  }
}

TEST(ParseVuxml, RefusesADocumentPastItsSize) {
  VuxmlParser parser;
  ASSERT_TRUE(parser.feed("<vuxml><x>"));
  EXPECT_FALSE(parser.feed(std::string(kMaxVuxmlBytes - 9, ' ')));
  EXPECT_EQ(parser.error(), "larger than 64 MiB");
  EXPECT_FALSE(parser.finish());
}

// Empty ranges are the smallest elements kept: 8 bytes of the document
// each, so a document well within its size may still keep too much.
TEST(ParseVuxml, RefusesMoreKeptDataThanItsBound) {
  std::string text = "<vuxml><vuln vid=\"v\"><affects><package>";
  const size_t ranges = kMaxVuxmlKeptBytes / 32;
  text.reserve(text.size() + ranges * 8 + 64);
  for (size_t i = 0; i < ranges; ++i) {
    text += "<range/>";
  }
  std::string reason;
  EXPECT_FALSE(
      parse_vuxml(text + "</package></affects></vuln></vuxml>", &reason));
  EXPECT_EQ(reason.substr(0, 33), "more advisory data than 64 MiB (l");
  text.resize(text.size() - 8 * (ranges / 2));
  EXPECT_TRUE(
      parse_vuxml(text + "</package></affects></vuln></vuxml>", &reason))
      << reason;
}

TEST(ReadVuxmlFile, ReadsAFileOrSaysWhyNot) {
  TempDir dir;
  const std::string path = dir.path("vuln.xml");
  std::ofstream(path, std::ios::binary) << kDocument;
  std::string reason;
  std::optional<std::vector<Advisory>> read = read_vuxml_file(path, &reason);
  ASSERT_TRUE(read) << reason;
  EXPECT_EQ(read->size(), 2u);

  std::ofstream(dir.path("cut.xml"), std::ios::binary)
      << kDocument.substr(0, kDocument.size() / 2);
  EXPECT_FALSE(read_vuxml_file(dir.path("cut.xml"), &reason));
  EXPECT_EQ(reason.substr(0, 16), "unclosed token (");
  EXPECT_FALSE(read_vuxml_file(dir.path("absent.xml"), &reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(read_vuxml_file(dir.path(""), &reason));
  EXPECT_EQ(reason, "not a regular file");
}

// The real document of 2024: every entry is read.
TEST(ReadVuxmlFile, ReadsTheRealDocumentOf2024) {
  const std::string path = ZPS_SHARED_DIR "/fixtures/vuxml/vuln-2024.xml";
  if (!std::filesystem::exists(path)) {
    GTEST_SKIP() << path << " is absent: the shared fixtures are not here";
  }
  std::string reason;
  std::optional<std::vector<Advisory>> read = read_vuxml_file(path, &reason);
  ASSERT_TRUE(read) << reason;
  EXPECT_EQ(read->size(), 355u);
  size_t packages = 0;
  size_t ranges = 0;
  for (const Advisory& a : *read) {
    packages += a.packages.size();
    for (const AffectedPackage& p : a.packages) {
      ranges += p.ranges.size();
    }
    EXPECT_FALSE(vuxml_date_time(a.entry).empty()) << a.vid;
  }
  EXPECT_EQ(packages, 592u);
  EXPECT_EQ(ranges, 715u);
  EXPECT_EQ(read->front().vid, "a380f43e-19e5-11f0-9568-b42e991fc52e");
}

TEST(VuxmlDateTime, TakesOnlyDates) {
  struct Case {
    std::string_view in, want;
  };
  const Case cases[] = {
      {"2024-10-18", "2024-10-18T00:00:00Z"},
      {"2024-12-31", "2024-12-31T00:00:00Z"},
      {"2024-13-01", ""},
      {"2024-00-10", ""},
      {"2024-01-32", ""},
      {"2024-01-00", ""},
      {"2024-1-01", ""},
      {"2024-01-011", ""},
      {"2024/01/01", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(vuxml_date_time(c.in), c.want);
  }
}

}  // namespace
}  // namespace zps
