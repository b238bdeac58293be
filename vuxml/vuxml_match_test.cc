#include "vuxml/vuxml_match.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zps {
namespace {

VersionRange range_of(std::vector<VersionBound> bounds) {
  return VersionRange{std::move(bounds)};
}

TEST(RangeContains, MeetsEveryBound) {
  struct Case {
    std::vector<VersionBound> bounds;
    std::string_view version;
    bool want;
  };
  using K = BoundKind;
  const Case cases[] = {
      {{}, "0", true},
      {{}, "", true},
      {{{K::kLt, "3.0.15_1,1"}}, "3.0.15,1", true},
      {{{K::kLt, "3.0.15_1,1"}}, "3.0.15_1,1", false},
      {{{K::kLt, "3.0.15_1,1"}}, "3.0.15_2,1", false},
      {{{K::kLt, "3.0.15_1,1"}}, "99.0", true},  // no epoch: before any
      {{{K::kLe, "1.4.12"}}, "1.4.12", true},
      {{{K::kLe, "1.4.12"}}, "1.4.12_1", false},
      {{{K::kGt, "0"}}, "0", false},
      {{{K::kGt, "0"}}, "0.0.1", true},
      {{{K::kGe, "2.1.0"}}, "2.1", true},
      {{{K::kGe, "2.1.0"}}, "2.0.99", false},
      {{{K::kEq, "1.2"}}, "1.2.0", true},
      {{{K::kEq, "1.2"}}, "1.2_1", false},
      {{{K::kGe, "2.1.0"}, {K::kLe, "2.9.2"}}, "2.9.2", true},
      {{{K::kGe, "2.1.0"}, {K::kLe, "2.9.2"}}, "2.9.3", false},
      {{{K::kGe, "2.1.0"}, {K::kLe, "2.9.2"}}, "2.0.9", false},
      {{{K::kGe, "14.1"}, {K::kLt, "14.1_3"}}, "14.1_2", true},
      {{{K::kGe, "14.1"}, {K::kLt, "14.1_3"}}, "14.1_3", false},
      // Contradictory bounds contain nothing.
      {{{K::kGt, "2"}, {K::kLt, "1"}}, "1.5", false},
      // A bound with "-" is one version.
      {{{K::kLt, "10.4.19+security-01"}}, "10.4.18", true},
      {{{K::kLt, "RELEASE.2025-10-15T17-29-55Z"}},
       "RELEASE.2024-12-31T23-59-59Z",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " in a range of " +
                 std::to_string(c.bounds.size()));
    EXPECT_EQ(range_contains(range_of(c.bounds), c.version), c.want);
  }
}

Advisory advisory(std::string vid, std::vector<AffectedPackage> packages) {
  Advisory a;
  a.vid = std::move(vid);
  a.packages = std::move(packages);
  return a;
}

TEST(AdvisoryIndex, MatchesNamesExactlyAndEachAdvisoryOnce) {
  using K = BoundKind;
  std::vector<Advisory> list;
  // Several ranges: any one applies.
  list.push_back(
      advisory("pg", {{{"postgresql16-server", "postgresql15-server"},
                       {range_of({{K::kGe, "16"}, {K::kLt, "16.3"}}),
                        range_of({{K::kGe, "15"}, {K::kLt, "15.7"}})}}}));
  // The name in two packages with overlapping ranges: one advisory.
  list.push_back(advisory(
      "twice", {{{"openssl"}, {range_of({})}}, {{"openssl"}, {range_of({})}}}));
  // A package without ranges matches no version.
  list.push_back(advisory("norange", {{{"curl"}, {}}}));
  // The name in two packages, only the second's range applies.
  list.push_back(
      advisory("second", {{{"openssl"}, {range_of({{K::kLt, "1"}})}},
                          {{"openssl"}, {range_of({{K::kGe, "3"}})}}}));
  list.push_back(advisory("case", {{{"R"}, {range_of({})}}}));
  const AdvisoryIndex index(std::move(list));

  struct Case {
    std::string_view name, version;
    std::vector<size_t> want;
  };
  const Case cases[] = {
      {"postgresql16-server", "16.2", {0}},
      {"postgresql15-server", "16.2", {0}},  // the names share the ranges
      {"postgresql15-server", "14.9", {}},
      {"postgresql15-server", "15.6_1", {0}},
      {"postgresql15-server", "15.7", {}},
      {"openssl", "3.0.15,1", {1, 3}},
      {"openssl", "2.0", {1}},
      {"curl", "8.9.1", {}},
      {"R", "4.4.1", {4}},
      {"r", "4.4.1", {}},
      {"openssl ", "3.0", {}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::string(c.version));
    EXPECT_EQ(index.match(c.name, c.version), c.want);
  }
}

}  // namespace
}  // namespace zps
