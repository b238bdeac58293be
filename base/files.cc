#include "base/files.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace zps {

UniqueFd open_regular_file(const char* path, std::string* reason) {
  // O_NONBLOCK keeps the open from waiting for a FIFO's writer or a device;
  // for a regular file it changes nothing.
  UniqueFd fd(open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) {
    if (reason != nullptr) {
      *reason = strerror(errno);
    }
    return fd;
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    if (reason != nullptr) {
      *reason = "not a regular file";
    }
    fd.reset(-1);
  }
  return fd;
}

bool open_missing_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    // The lowest free descriptor is the one just found closed.
    if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) {
      return false;
    }
  }
  return true;
}

bool names_same_file(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino &&
           !S_ISCHR(sa.st_mode);
  }
  std::error_code ec;
  const auto normal = [&](const std::string& p) {
    return std::filesystem::absolute(p, ec).lexically_normal();
  };
  return normal(a) == normal(b);
}

bool path_exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_regular_file(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> read_regular_file(const std::string& path,
                                             size_t max_bytes) {
  UniqueFd fd = open_regular_file(path.c_str());
  if (!fd.valid()) {
    return std::nullopt;
  }
  std::string text;
  char chunk[8192];
  while (text.size() < max_bytes) {
    const size_t want = std::min(sizeof chunk, max_bytes - text.size());
    const ssize_t got = read(fd.get(), chunk, want);
    if (got == 0) {
      break;
    }
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return std::nullopt;
    }
    text.append(chunk, static_cast<size_t>(got));
  }
  return text;
}

}  // namespace zps
