#include "packages/checksum_list.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zps {
namespace {

// Returns what write_lines writes for `entries` after `seen` were written.
std::string written(const std::vector<ChecksumEntry>& entries,
                    const std::vector<std::string>& seen) {
  PathSet paths;
  for (const std::string& path : seen) {
    EXPECT_TRUE(paths.insert(path));
  }
  ChecksumList list;
  list.entries = entries;
  const ChecksumLines lines = build_lines(list);
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  write_lines(lines, &paths, out);
  fclose(out);
  std::string text(buffer, size);
  free(buffer);
  return text;
}

TEST(WriteLines, WritesEachPathOnceAcrossRuns) {
  struct Case {
    const char* name;
    std::vector<ChecksumEntry> entries;
    std::vector<std::string> seen;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"all new", {{"/a", "1"}, {"/b", "2"}}, {}, "/a sha256=1\n/b sha256=2\n"},
      {"first seen", {{"/a", "1"}, {"/b", "2"}}, {"/a"}, "/b sha256=2\n"},
      {"last seen", {{"/a", "1"}, {"/b", "2"}}, {"/b"}, "/a sha256=1\n"},
      {"middle repeated",
       {{"/a", "1"}, {"/b", "2"}, {"/a", "3"}, {"/c", "4"}},
       {},
       "/a sha256=1\n/b sha256=2\n/c sha256=4\n"},
      {"all seen", {{"/a", "1"}, {"/b", "2"}}, {"/a", "/b"}, ""},
      {"unresolved left out",
       {{"/x", "2$y", true}, {"/a", "1"}, {"/x", "5"}},
       {},
       "/a sha256=1\n/x sha256=5\n"},
      {"bytes kept",
       {{std::string_view("/n\0\t", 4), "f"}},
       {},
       std::string("/n\0\t sha256=f\n", 14)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(written(c.entries, c.seen), c.want) << c.name;
  }
}

TEST(WriteLines, LinesKnowTheirPaths) {
  ChecksumList list;
  list.entries = {{"/usr/bin/a", "11"}, {"/b", "2"}};
  const ChecksumLines lines = build_lines(list);
  ASSERT_EQ(lines.lines.size(), 2u);
  EXPECT_EQ(lines.text, "/usr/bin/a sha256=11\n/b sha256=2\n");
  EXPECT_EQ(lines.lines[0].end, 21u);
  EXPECT_EQ(lines.lines[0].path_size, 10u);
  EXPECT_EQ(lines.lines[0].path_hash, PathSet::hash("/usr/bin/a"));
  EXPECT_EQ(lines.lines[1].end, lines.text.size());
  EXPECT_EQ(lines.lines[1].path_hash, PathSet::hash("/b"));
}

}  // namespace
}  // namespace zps
