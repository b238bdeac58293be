#include "provenance/shell_command.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/unique_fd.h"

extern char** environ;

namespace zps {
namespace {

// Starts `/bin/sh -c command` with its standard output on a new pipe and
// its standard input on /dev/null; standard error is the program's. Every
// other descriptor of this process is close-on-exec, so a child started by
// one worker inherits nothing of another's. Returns the read end of the
// pipe and sets `*pid`, or an invalid descriptor when the shell cannot be
// started.
UniqueFd start_shell(const std::string& command, pid_t* pid) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    return UniqueFd();
  }
  UniqueFd read_end(ends[0]);
  UniqueFd write_end(ends[1]);
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    return UniqueFd();
  }
  const bool ready =
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                       O_RDONLY, 0) == 0 &&
      posix_spawn_file_actions_adddup2(&actions, write_end.get(),
                                       STDOUT_FILENO) == 0;
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  const int status = ready
                         ? posix_spawn(pid, "/bin/sh", &actions, nullptr,
                                       const_cast<char* const*>(argv), environ)
                         : -1;
  posix_spawn_file_actions_destroy(&actions);
  return status == 0 ? std::move(read_end) : UniqueFd();
}

// Reads a pipe through a buffer of its own, byte by byte for the caller.
class PipeReader {
 public:
  explicit PipeReader(int fd) : fd_(fd) {}

  // Returns the next byte, or -1 at the end or on an error.
  int next() {
    if (pos_ == end_) {
      ssize_t n;
      do {
        n = read(fd_, buffer_, sizeof buffer_);
      } while (n < 0 && errno == EINTR);
      if (n <= 0) {
        return -1;
      }
      pos_ = 0;
      end_ = static_cast<size_t>(n);
    }
    return static_cast<unsigned char>(buffer_[pos_++]);
  }

 private:
  int fd_;
  char buffer_[4096];
  size_t pos_ = 0;
  size_t end_ = 0;
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
  pid_t pid = -1;
  UniqueFd output = start_shell(command, &pid);
  if (!output.valid()) {
    return lines;
  }
  // Byte by byte, so that NUL bytes in the output cannot cut a line short
  // and an over-long line cannot shift the ones after it.
  PipeReader reader(output.get());
  std::string line;
  bool too_long = false;
  int c;
  while (lines.size() < max_lines && (c = reader.next()) != -1) {
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
  // Output past the lines wanted is not read: closing the pipe before the
  // wait ends a child that still writes with SIGPIPE.
  output.reset(-1);
  int status;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return lines;
}

}  // namespace zps
