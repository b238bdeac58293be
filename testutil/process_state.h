#pragma once

#include <dirent.h>

namespace zps {

// Returns how many file descriptors this process has open (as listed in
// /proc/self/fd, the listing's own included).
inline int open_descriptor_count() {
  int count = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d) != nullptr) {
      ++count;
    }
    closedir(d);
  }
  return count;
}

}  // namespace zps
