#include "packages/package_record.h"

#include <gtest/gtest.h>

namespace zps {
namespace {

PackageRecord record_of(std::string text) {
  std::string error;
  auto doc = ManifestDocument::parse(std::move(text), &error);
  EXPECT_NE(doc, nullptr) << error;
  return doc != nullptr ? build_package_record(doc->root()) : PackageRecord{};
}

TEST(PackageRecord, CopiesStringValuesOnly) {
  PackageRecord r = record_of(
      R"({"name":"curl","version":"8.9.1_1","desc":"a \"tool\"\n\u0000x%25",)"
      R"("www":"https://curl.se/","maintainer":"m@x","origin":"ftp/curl",)"
      R"("licenses":["MIT",7,"ISC","MIT"],"deps":{"b":{},"a":{},"b":1},)"
      R"("annotations":{"ports_top_git_hash":"abc","other":"x"}})");
  EXPECT_EQ(r.name, "curl");
  EXPECT_EQ(r.version, "8.9.1_1");
  EXPECT_EQ(r.desc, std::string("a \"tool\"\n\0x%", 12));  // %-decoded
  EXPECT_EQ(r.www, "https://curl.se/");
  EXPECT_EQ(r.maintainer, "m@x");
  EXPECT_EQ(r.origin, "ftp/curl");
  EXPECT_EQ(r.licenses, (std::vector<std::string>{"MIT", "ISC", "MIT"}));
  EXPECT_EQ(r.deps, (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(r.ports_top_git_hash, "abc");
  EXPECT_TRUE(r.vcs_url.empty());
  EXPECT_TRUE(r.purl.empty());
  EXPECT_TRUE(r.source_distributions.empty());
}

TEST(PackageRecord, ValuesOfAnotherKindLeaveFieldsEmpty) {
  PackageRecord r = record_of(
      R"({"name":5,"version":null,"desc":["d"],"licenses":"BSD2CLAUSE",)"
      R"("deps":["a","b"],"annotations":{"ports_top_git_hash":1}})");
  EXPECT_EQ(r.name, "");
  EXPECT_EQ(r.version, "");
  EXPECT_EQ(r.desc, "");
  EXPECT_EQ(r.licenses, (std::vector<std::string>{"BSD2CLAUSE"}));
  EXPECT_TRUE(r.deps.empty());
  EXPECT_EQ(r.ports_top_git_hash, "");

  PackageRecord bare = record_of(R"({"annotations":[],"licenses":[]})");
  EXPECT_EQ(bare.name, "");
  EXPECT_TRUE(bare.licenses.empty());
  EXPECT_EQ(bare.ports_top_git_hash, "");
}

}  // namespace
}  // namespace zps
