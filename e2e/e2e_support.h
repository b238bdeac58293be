#pragma once

#include <string>
#include <string_view>

namespace zps {

// Returns a +MANIFEST text shaped like the ones the package tool writes:
// compact JSON with the usual keys, `files_json` as the value of "files".
std::string realistic_manifest(std::string_view name, std::string_view version,
                               std::string_view files_json);

// Returns the "Found " line for `count` packages in `scan_dir`.
std::string found_line(size_t count, std::string_view scan_dir);

// Returns the "Done: " line.
std::string done_line(size_t packages, size_t checksums);

}  // namespace zps
