#include "provenance/origin.h"

#include "base/files.h"
#include "base/paths.h"

namespace zps {
namespace {

bool leaves_tree(std::string_view origin) {
  if (origin.front() == '/') {
    return true;
  }
  size_t start = 0;
  for (;;) {
    size_t slash = origin.find('/', start);
    if (origin.substr(start, slash - start) == "..") {
      return true;
    }
    if (slash == std::string_view::npos) {
      return false;
    }
    start = slash + 1;
  }
}

}  // namespace

OriginKind classify_origin(std::string_view ports_tree,
                           std::string_view origin) {
  if (origin == "base") {
    return OriginKind::kBase;
  }
  if (origin.substr(0, kOwnOriginPrefix.size()) == kOwnOriginPrefix) {
    return OriginKind::kOwn;
  }
  // A NUL byte would cut the path that the system calls see short of the
  // one the checks saw.
  if (ports_tree.empty() || origin.empty() ||
      origin.find('\0') != std::string_view::npos || leaves_tree(origin) ||
      !is_directory(join_path(ports_tree, origin))) {
    return OriginKind::kUnknown;
  }
  return OriginKind::kPort;
}

}  // namespace zps
