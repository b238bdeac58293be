#pragma once

#include <optional>
#include <string_view>

namespace zps {

// One line of a checksum list as the tool writes it, "<path> sha256=<hex>":
// the path is everything before the last " sha256=", so it may hold
// spaces. Both borrow from the line.
struct ListLine {
  std::string_view path;
  std::string_view checksum;
};

// Returns the path and checksum of `line` (without its line feed), or
// nothing when it has no " sha256=", its path is empty, or its checksum is
// not one or more lower-case hex digits.
std::optional<ListLine> parse_list_line(std::string_view line);

// What checking one listed file found.
enum class FileVerdict {
  kMatch,
  kMismatch,    // its digest differs, or it changed while it was read
  kMissing,     // nothing there, or a component of its path is no directory
                // (a symbolic link included)
  kNotRegular,  // a directory, device, socket or FIFO
  kBadPath,     // not absolute, or with a ".." component
};

// Checks the file that the list names `path` against `checksum`, beneath
// the directory open as `root_fd`: a regular file by the SHA-256 of its
// contents, read in blocks; a symbolic link by the package tool's link
// digest (symlink_hash_input of its target), never followed. No component
// of the path is followed if it is a symbolic link, so nothing outside the
// root is read; what is not a regular file is never opened for reading.
FileVerdict verify_listed_file(int root_fd, std::string_view path,
                               std::string_view checksum);

}  // namespace zps
