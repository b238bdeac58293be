#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "base/unique_fd.h"

namespace zps {

// Opens the file at `path` (symbolic links followed) for reading when it is
// a regular file. The open itself never waits: a FIFO or a device in its
// place is opened without blocking and then refused. Returns the descriptor
// (close-on-exec), or an invalid one after setting `*reason`, when `reason`
// is not null, to the system's text for the failure or to "not a regular
// file". Allocates nothing when `reason` is null.
UniqueFd open_regular_file(const char* path, std::string* reason = nullptr);

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file the program opens later takes the place of a standard stream.
// Returns false when one stays closed.
[[nodiscard]] bool open_missing_standard_descriptors();

// True when `a` and `b` name one file: the same path once made absolute
// (against the working directory) and lexically normal, or, for existing
// files, the same device and inode (links followed). Two names of one
// character device (/dev/null, a terminal) do not count: writes to it do
// not mix into a file.
[[nodiscard]] bool names_same_file(const std::string& a, const std::string& b);

// Returns true when `path`, following symbolic links, exists (any type).
[[nodiscard]] bool path_exists(const std::string& path);

// Returns true when `path`, following symbolic links, is a directory.
[[nodiscard]] bool is_directory(const std::string& path);

// Returns true when `path`, following symbolic links, is a regular file.
[[nodiscard]] bool is_regular_file(const std::string& path);

// Returns the first `max_bytes` bytes (or fewer, the whole file) of the
// regular file at `path`, or nothing when it cannot be opened as one or a
// read fails.
std::optional<std::string> read_regular_file(const std::string& path,
                                             size_t max_bytes);

}  // namespace zps
