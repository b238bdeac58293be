#include "packages/list_verify.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "base/hex.h"
#include "base/sha256.h"
#include "base/unique_fd.h"
#include "packages/package_archive.h"

namespace zps {
namespace {

constexpr std::string_view kSeparator = " sha256=";
constexpr size_t kReadSize = 128 * 1024;

// Opens a directory one component down from `dir` without following a
// symbolic link (O_PATH where there is one: only a handle to walk on).
UniqueFd open_component(int dir, const std::string& name) {
#ifdef O_PATH
  constexpr int kWalkFlags = O_PATH;
#else
  constexpr int kWalkFlags = O_RDONLY;
#endif
  return UniqueFd(openat(dir, name.c_str(),
                         kWalkFlags | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Returns the hex SHA-256 of the regular file `name` in `dir`, or nothing
// when it is no longer one or a read fails.
std::optional<std::string> regular_file_digest(int dir, const std::string& name,
                                               bool* not_regular) {
  const UniqueFd file(
      openat(dir, name.c_str(),
             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st;
  if (!file.valid() || fstat(file.get(), &st) != 0) {
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    *not_regular = true;
    return std::nullopt;
  }
  Sha256 hash;
  const auto block = std::make_unique<char[]>(kReadSize);
  for (;;) {
    const ssize_t got = read(file.get(), block.get(), kReadSize);
    if (got > 0) {
      hash.update(block.get(), static_cast<size_t>(got));
    } else if (got == 0) {
      return hex_text(hash.finish());
    } else if (errno != EINTR) {
      return std::nullopt;
    }
  }
}

std::optional<std::string> link_digest(int dir, const std::string& name,
                                       size_t size_hint) {
  std::string target(size_hint + 1, '\0');
  for (;;) {
    const ssize_t got =
        readlinkat(dir, name.c_str(), target.data(), target.size());
    if (got < 0) {
      return std::nullopt;
    }
    if (static_cast<size_t>(got) < target.size()) {
      target.resize(static_cast<size_t>(got));
      return hex_text(sha256_of(symlink_hash_input(target)));
    }
    target.resize(target.size() * 2);  // it grew since it was looked at
  }
}

}  // namespace

std::optional<ListLine> parse_list_line(std::string_view line) {
  const size_t at = line.rfind(kSeparator);
  if (at == std::string_view::npos || at == 0) {
    return std::nullopt;
  }
  const std::string_view checksum = line.substr(at + kSeparator.size());
  if (checksum.empty() || checksum.find_first_not_of("0123456789abcdef") !=
                              std::string_view::npos) {
    return std::nullopt;
  }
  return ListLine{line.substr(0, at), checksum};
}

FileVerdict verify_listed_file(int root_fd, std::string_view path,
                               std::string_view checksum) {
  if (path.empty() || path.front() != '/') {
    return FileVerdict::kBadPath;
  }
  std::vector<std::string> components;
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) {
      end = path.size();
    }
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      return FileVerdict::kBadPath;
    }
    if (!part.empty() && part != ".") {
      components.emplace_back(part);
    }
    start = end + 1;
  }
  if (components.empty() || path.find('\0') != std::string_view::npos) {
    return FileVerdict::kBadPath;
  }
  // Down the directories one at a time, none of them a link.
  UniqueFd walked;
  int dir = root_fd;
  for (size_t i = 0; i + 1 < components.size(); ++i) {
    walked = open_component(dir, components[i]);
    if (!walked.valid()) {
      return FileVerdict::kMissing;
    }
    dir = walked.get();
  }
  const std::string& name = components.back();
  struct stat st;
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return FileVerdict::kMissing;
  }
  std::optional<std::string> digest;
  if (S_ISLNK(st.st_mode)) {
    digest = link_digest(dir, name, static_cast<size_t>(st.st_size));
  } else if (S_ISREG(st.st_mode)) {
    bool not_regular = false;
    digest = regular_file_digest(dir, name, &not_regular);
    if (not_regular) {
      return FileVerdict::kNotRegular;
    }
  } else {
    return FileVerdict::kNotRegular;
  }
  // A file that went or changed between the look and the read is no match.
  return digest && *digest == checksum ? FileVerdict::kMatch
                                       : FileVerdict::kMismatch;
}

}  // namespace zps
