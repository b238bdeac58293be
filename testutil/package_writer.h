#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// One member of a package archive built by package_bytes.
struct PackageMember {
  // A regular file.
  PackageMember(std::string member_name, std::string data, int perm = 0644)
      : name(std::move(member_name)), content(std::move(data)), mode(perm) {}

  static PackageMember symbolic_link(std::string member_name,
                                     std::string target) {
    PackageMember m(std::move(member_name), "", 0777);
    m.symlink = std::move(target);
    return m;
  }

  static PackageMember hard_link(std::string member_name, std::string target,
                                 int perm = 0644) {
    PackageMember m(std::move(member_name), "", perm);
    m.hardlink = std::move(target);
    return m;
  }

  std::string name;
  std::string content;
  int mode;              // permission bits
  std::string symlink;   // when set, a symbolic link to this target
  std::string hardlink;  // when set, a hard link to this member name
};

// Returns the bytes of an archive with `members` in the given order, built
// in memory; empty on failure. `filter` is "zstd", "xz", "gzip", "bzip2" or
// empty for no compression; `format` is "pax" (restricted pax, what
// packages use) or "zip" (a streamed zip, whose members carry no size in
// their headers).
std::string package_bytes(const std::vector<PackageMember>& members,
                          std::string_view filter = "zstd",
                          std::string_view format = "pax");

// Returns a plain tar (no compression) whose first member is a file
// `name` holding `content`, with its header claiming `declared_size` bytes
// (written base-256, as tar allows for sizes too large for octal), the
// header checksum recomputed. Empty on failure.
std::string tar_declaring_size(const std::string& name,
                               const std::string& content,
                               uint64_t declared_size);

}  // namespace zps
