#include "packages/repository_scan.h"

#include <dirent.h>
#include <errno.h>
#include <string.h>

#include <algorithm>
#include <memory>

#include "base/files.h"
#include "base/output.h"
#include "base/paths.h"

namespace zps {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

}  // namespace

std::string resolve_repo_dir(std::string_view repo_dir) {
  std::string candidate = join_path(repo_dir, "All");
  if (path_exists(candidate)) {
    return candidate;
  }
  return std::string(repo_dir);
}

std::string_view package_label(std::string_view path) {
  std::string_view name = file_name(path);
  return name.substr(0, name.rfind('.'));
}

bool has_package_extension(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) {
    return false;
  }
  return name.substr(dot) == ".pkg";
}

std::optional<std::vector<std::string>> list_packages(
    const std::string& scan_dir, std::FILE* err) {
  UniqueDir dir(opendir(scan_dir.c_str()));
  if (dir == nullptr) {
    write_text(err, "Error: cannot list directory " + scan_dir + ": " +
                        strerror(errno) + "\n");
    return std::nullopt;
  }
  std::vector<std::string> packages;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) {
        write_text(err, "Error: cannot list directory " + scan_dir + ": " +
                            strerror(errno) + "\n");
        return std::nullopt;
      }
      break;
    }
    std::string_view name(entry->d_name);
    // The extension test comes first: it is free, and most entries of a
    // large directory fail it, which saves their status query.
    if (!has_package_extension(name)) {
      continue;
    }
    std::string path = join_path(scan_dir, name);
    if (is_regular_file(path)) {
      packages.push_back(std::move(path));
    }
  }
  std::sort(packages.begin(), packages.end());
  write_text(err, "Found " + std::to_string(packages.size()) + " packages in " +
                      quoted_path(scan_dir) + "\n");
  return packages;
}

}  // namespace zps
