#include "packages/checksum_list.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "packages/manifest_document.h"

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

// Returns the paths collect_checksums keeps of a manifest listing `paths`,
// each an executable with a hex sum.
std::vector<std::string> kept_paths(const std::vector<std::string>& paths,
                                    std::string* messages) {
  std::string text = "{\"files\":{";
  for (const std::string& path : paths) {
    text += (text.back() == '{' ? "\"" : ",\"") + path +
            "\":{\"sum\":\"1$ab\",\"perm\":\"0755\"}";
  }
  text += "}}";
  std::string error;
  auto doc = ManifestDocument::parse(text, &error);
  EXPECT_NE(doc, nullptr) << error;
  if (doc == nullptr) {
    return {};
  }
  std::vector<std::string> kept;
  for (const ChecksumEntry& e :
       collect_checksums(doc->root(), "p", messages).entries) {
    kept.emplace_back(e.path);
  }
  return kept;
}

TEST(CollectChecksums, LeavesOutEveryControlByteAtEveryPlace) {
  // A control byte at each place of paths that fill one, two and a part of
  // three 8-byte words; a TAB, a space, "~" and bytes above 0x7F are kept.
  for (const char* bad : {"\\u0001", "\\n", "\\r", "\\u001f", "\\u007f"}) {
    for (size_t length = 1; length <= 20; ++length) {
      for (size_t at = 0; at < length; ++at) {
        std::string path(length, 'a');
        path.replace(at, 1, bad);
        std::string messages;
        EXPECT_TRUE(kept_paths({path}, &messages).empty())
            << bad << " at " << at << " of " << length;
        EXPECT_EQ(messages,
                  "  warning: p: skipped a file entry with a line break or "
                  "NUL byte\n");
      }
    }
  }
  std::string messages;
  const std::vector<std::string> good = {
      "/usr/bin/\\tx", "/usr/local/bin/with space~", "/caf\xC3\xA9/\xFF\x80x",
      "/aaaaaaaaaaaaaa\\t",
      "/ \x7E\x80\x9F\xA0"
      "aaaaaaaaaa"};
  EXPECT_EQ(kept_paths(good, &messages).size(), good.size());
  EXPECT_EQ(messages, "");
}

}  // namespace
}  // namespace zps
