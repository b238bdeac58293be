#include "packages/path_set.h"

#include <string>
#include <unordered_set>

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(PathSet, AgreesWithAStandardSetThroughGrowth) {
  PathSet set;
  std::unordered_set<std::string> reference;
  uint64_t x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    // Few distinct values relative to the draws, so repeats are common;
    // lengths cross the 8-byte steps of the hash.
    std::string path = "/usr/local/share/" + std::to_string((x >> 33) % 50000) +
                       std::string((x >> 20) % 11, (x >> 40) % 3 ? 'x' : '\0');
    EXPECT_EQ(set.insert(path), reference.insert(path).second) << path;
  }
  EXPECT_EQ(set.size(), reference.size());
  // Growth keeps every path, the first one included.
  for (const std::string& path : reference) {
    ASSERT_TRUE(set.contains(path)) << path;
  }
  // Strings longer than a storage block are kept whole.
  std::string huge(3 << 20, 'h');
  EXPECT_TRUE(set.insert(huge));
  EXPECT_TRUE(set.contains(huge));
  EXPECT_FALSE(set.contains(huge.substr(1)));
}

}  // namespace
}  // namespace zps
