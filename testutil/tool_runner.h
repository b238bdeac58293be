#pragma once

#include <string>
#include <vector>

namespace zps {

// What one run of a program left behind.
struct ToolRun {
  int exit_status = -1;  // 128 + signal number when a signal ended it
  std::string out;       // standard output (empty when redirected)
  std::string err;       // standard error
};

// How to start the program; every field may stay empty.
struct ToolSettings {
  std::string cwd;               // working directory; empty: the test's own
  std::vector<std::string> env;  // NAME=VALUE words, replacing inherited ones
  std::string stdout_path;       // file for standard output, made if missing
};

// Starts the program `argv[0]` (looked up on PATH when it has no "/") with
// `argv` as its arguments, without a shell, with standard input closed, and
// waits for it. Standard output and standard error go to temporary files
// that are read back and removed.
ToolRun run_program(const std::vector<std::string>& argv,
                    const ToolSettings& settings = {});

}  // namespace zps
