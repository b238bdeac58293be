#include "provenance/shell_command.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "base/platform.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

TEST(ShellQuotedText, KeepsEveryValueOneLiteralWord) {
  TempDir dir;
  const std::string marker = dir.root() + "/marker";
  for (const std::string& value :
       {std::string(), std::string("it's"), std::string("''"),
        "x'; touch " + marker + "; '", "$(touch " + marker + ")",
        "`touch " + marker + "`", std::string("a\\'b sp ace")}) {
    EXPECT_EQ(read_command_lines(
                  "printf '%s\\n' '" + shell_quoted_text(value) + "'", 5, 100),
              std::vector<std::string>{value});
  }
  EXPECT_EQ(read_file(marker), "");
}

TEST(ReadCommandLines, MapsEachLineToItsPosition) {
  struct Case {
    std::string command;
    size_t max_lines, max_bytes;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"printf 'a\\n\\nc\\nd\\n'", 3, 100, {"a", "", "c"}},
      {"printf '1.2\\r\\nx\\000y'", 5, 100, {"1.2\r", std::string("x\0y", 3)}},
      {"printf 'short\\nmuch too long\\nok\\n'", 5, 8, {"short", "", "ok"}},
      {"printf 'a\\n' >&2; exit 3", 5, 100, {}},
      // A child that writes far more than is read still ends.
      {"yes line", 2, 100, {"line", "line"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(read_command_lines(c.command + " 2>/dev/null", c.max_lines,
                                 c.max_bytes),
              c.want)
        << c.command;
  }
}

// Every child is waited for and every pipe closed, however much of its
// output was read.
TEST(ReadCommandLines, LeavesNoChildAndNoDescriptor) {
  const int before = open_descriptor_count();
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(read_command_lines("yes x", 1, 10).size(), 1u);
  }
  EXPECT_EQ(open_descriptor_count(), before);
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

}  // namespace
}  // namespace zps
