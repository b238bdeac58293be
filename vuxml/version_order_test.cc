#include "vuxml/version_order.h"

#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace zps {
namespace {

int sign(int value) {
  return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

int order_sign(std::string_view order) {
  return order == "<" ? -1 : (order == "=" ? 0 : 1);
}

// Every row of the package tool's own answers, each both ways round.
TEST(CompareVersions, AgreesWithThePackageTool) {
  std::ifstream in(ZPS_VUXML_TESTDATA "/version-order.tsv");
  ASSERT_TRUE(in.good());
  std::string line;
  std::getline(in, line);  // the header
  int rows = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string v1, v2, order;
    ASSERT_TRUE(std::getline(fields, v1, '\t') &&
                std::getline(fields, v2, '\t') && std::getline(fields, order))
        << line;
    SCOPED_TRACE(line);
    EXPECT_EQ(sign(compare_versions(v1, v2)), order_sign(order));
    EXPECT_EQ(sign(compare_versions(v2, v1)), -order_sign(order));
    ++rows;
  }
  EXPECT_EQ(rows, 90);
}

TEST(CompareVersions, OrdersBoundaryCases) {
  struct Case {
    std::string_view a, b;
    int want;
  };
  const Case cases[] = {
      {"", "", 0},
      {"", "0", 0},
      {"", "0.0.0_0,0", 0},
      {"1", "", 1},
      // Bounds with "-" are compared whole: "-" separates components.
      {"10.4.19+security-01", "10.4.18", 1},
      {"10.4.19+security-01", "10.4.19+security-02", -1},
      {"RELEASE.2025-10-15T17-29-55Z", "RELEASE.2024-12-31T23-59-59Z", 1},
      {"1-2", "1.2", 0},
      // The epoch outweighs everything, the revision only breaks ties.
      {"0.1,1", "99.9_9", 1},
      {"1.0_9", "1.0.1", -1},
      {"2.0_1,1", "2.0_2,1", -1},
      // An epoch written before the revision is still read as both.
      {"1.0,1_2", "1.0_2,1", 0},
      {"1.0,1_2", "1.0_1,1", 1},
      // Saturated numbers stay ordered against smaller ones.
      {"99999999999999999999", "9223372036854775807", 0},
      {"1_99999999999999999999", "1_1", 1},
      {"1.0BETA2", "1.0beta2", 0},
      {"1.0A", "1.0", 1},
      {"1.Z", "1.0", -1},
      {"1.0Z", "1.0y", 1},
      {"1.0snap1", "1.0.s1", 0},
      {"1.0alphabet", "1.0", 1},
      {"1.0pl", "1.0.pl", 0},
      {"1.*+1", "1.*+2", -1},
      {"+", "", 0},
      {"\xff\x01", "0", -1},
      {{"1\0002", 3}, "1.2", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + std::string(c.b));
    EXPECT_EQ(sign(compare_versions(c.a, c.b)), c.want);
    EXPECT_EQ(sign(compare_versions(c.b, c.a)), -c.want);
  }
}

}  // namespace
}  // namespace zps
