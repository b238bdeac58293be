#pragma once

#include <string>
#include <vector>

namespace zps {

// What one run of the built tool left behind.
struct ToolRun {
  int exit_status = -1;  // 128 + signal number when a signal ended it
  std::string out;       // standard output (empty when redirected)
  std::string err;       // standard error
};

// How to start the tool; every field may stay empty.
struct ToolSettings {
  std::string cwd;               // working directory; empty: the test's own
  std::vector<std::string> env;  // NAME=VALUE words, replacing inherited ones
  std::string stdout_path;       // file for standard output instead of a pipe
};

// Starts the built zelkor-pkg-sign with `args` (the program name comes
// first automatically), without a shell, with standard input closed, and
// waits for it. Standard output and standard error go to temporary files
// that are read back and removed.
ToolRun run_tool(const std::vector<std::string>& args,
                 const ToolSettings& settings = {});

// Returns the path of the built tool.
const char* tool_path();

// As run_tool, for any program: `argv` holds the program's path and its
// arguments.
ToolRun run_program(const std::vector<std::string>& argv,
                    const ToolSettings& settings = {});

}  // namespace zps
