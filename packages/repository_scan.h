#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// Returns the directory to scan for `repo_dir`: `repo_dir` joined with "All"
// when that path exists (following symbolic links, of any type), otherwise
// `repo_dir` unchanged.
std::string resolve_repo_dir(std::string_view repo_dir);

// Returns the label that names a package in messages: the file name of
// `path` up to, not including, its last "." (the whole file name when it has
// no ".").
std::string_view package_label(std::string_view path);

// Returns true when `name` ends in the extension ".pkg": the part from its
// last "." on, where a name whose only "." is its first byte has none.
[[nodiscard]] bool has_package_extension(std::string_view name);

// Lists the package files directly in `scan_dir` (regular files after
// following symbolic links, with the extension ".pkg"), each as `scan_dir`
// joined with its file name, sorted by byte comparison. Writes to `err`
// "Found <n> packages in <quoted scan_dir>" and a line feed, also for none.
// Returns nothing, after writing "Error: cannot list directory <scan_dir>:
// <reason>" and a line feed to `err`, when the directory cannot be read.
std::optional<std::vector<std::string>> list_packages(
    const std::string& scan_dir, std::FILE* err);

}  // namespace zps
