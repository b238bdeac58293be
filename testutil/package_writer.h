#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zps {

// One member of a package archive written by write_package.
struct PackageMember {
  std::string name;
  std::string content;
  int mode = 0644;  // permission bits; the member is a regular file
};

// Writes an archive with `members` in the given order to `path`, replacing
// any file there. `filter` is "zstd", "xz", "gzip", "bzip2" or empty for no
// compression; `format` is "pax" (restricted pax, what packages use) or "zip"
// (a streamed zip, whose members carry no size in their headers). Returns
// false on any failure.
[[nodiscard]] bool write_package(const std::string& path,
                                 const std::vector<PackageMember>& members,
                                 std::string_view filter = "zstd",
                                 std::string_view format = "pax");

// Returns the bytes of such an archive, built in memory; empty on failure.
std::string package_bytes(const std::vector<PackageMember>& members,
                          std::string_view filter = "zstd",
                          std::string_view format = "pax");

}  // namespace zps
