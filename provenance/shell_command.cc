#include "provenance/shell_command.h"

#include <stdio.h>

namespace zps {
namespace {

// The read end of popen(command, "r"), closed (and the child waited for)
// on destruction.
class ShellPipe {
 public:
  explicit ShellPipe(const std::string& command)
      : file_(popen(command.c_str(), "r")) {}
  ~ShellPipe() {
    if (file_ != nullptr) {
      pclose(file_);
    }
  }
  ShellPipe(const ShellPipe&) = delete;
  ShellPipe& operator=(const ShellPipe&) = delete;
  FILE* get() const { return file_; }

 private:
  FILE* file_;
};

}  // namespace

std::string shell_quoted_text(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> read_command_lines(const std::string& command,
                                            size_t max_lines,
                                            size_t max_line_bytes) {
  std::vector<std::string> lines;
  ShellPipe pipe(command);
  if (pipe.get() == nullptr) {
    return lines;
  }
  // Byte by byte, so that NUL bytes in the output cannot cut a line short
  // and an over-long line cannot shift the ones after it.
  std::string line;
  bool too_long = false;
  int c;
  while (lines.size() < max_lines && (c = getc(pipe.get())) != EOF) {
    if (c == '\n') {
      lines.push_back(too_long ? std::string() : std::move(line));
      line.clear();
      too_long = false;
    } else if (too_long) {
      continue;
    } else if (line.size() < max_line_bytes) {
      line += static_cast<char>(c);
    } else {
      too_long = true;
      line.clear();
    }
  }
  if (lines.size() < max_lines && (!line.empty() || too_long)) {
    lines.push_back(too_long ? std::string() : std::move(line));
  }
  // Output past the lines wanted is not read: closing the pipe (before
  // pclose waits) ends a child that still writes with SIGPIPE.
  return lines;
}

}  // namespace zps
