#include "provenance/shell_command.h"

#include <errno.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "testutil/process_state.h"
#include "testutil/temp_dir.h"

namespace zps {
namespace {

TEST(ShellQuotedText, KeepsEveryValueOneLiteralWord) {
  TempDir dir;
  const std::string marker = dir.root() + "/marker";
  const std::string values[] = {"plain",
                                "",
                                "it's",
                                "'",
                                "''",
                                "x'; touch " + marker + "; '",
                                "$(touch " + marker + ")",
                                "`touch " + marker + "`",
                                "a\\'b",
                                "sp ace"};
  for (const std::string& value : values) {
    SCOPED_TRACE(value);
    std::vector<std::string> lines = read_command_lines(
        "printf '%s\\n' '" + shell_quoted_text(value) + "'", 5, 100);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], value);
  }
  EXPECT_EQ(read_file(marker), "");
  EXPECT_EQ(shell_quoted_text("a'b"), "a'\\''b");
}

TEST(ReadCommandLines, MapsEachLineToItsPosition) {
  struct Case {
    std::string command;
    size_t max_lines, max_bytes;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"printf 'a\\nb\\nc\\n'", 2, 100, {"a", "b"}},
      {"printf 'a\\n\\nc'", 5, 100, {"a", "", "c"}},
      {"printf '1.2\\r\\n'", 5, 100, {"1.2\r"}},
      {"printf 'x\\000y\\n'", 5, 100, {std::string("x\0y", 3)}},
      {"printf 'short\\nmuch too long\\nok\\n'", 5, 8, {"short", "", "ok"}},
      {"exit 3", 5, 100, {}},
      {"printf 'a\\n' >&2", 5, 100, {}},
      // A child that writes far more than is read still ends.
      {"yes line", 3, 100, {"line", "line", "line"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(read_command_lines(c.command + " 2>/dev/null", c.max_lines,
                                 c.max_bytes),
              c.want);
  }
}

TEST(ReadCommandLines, LeavesNoChildAndNoDescriptor) {
  const int before = open_descriptor_count();
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(read_command_lines("echo x", 1, 10).size(), 1u);
  }
  EXPECT_EQ(open_descriptor_count(), before);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace zps
