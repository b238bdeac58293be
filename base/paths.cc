#include "base/paths.h"

namespace zps {

std::string join_path(std::string_view left, std::string_view right) {
  if (!right.empty() && right.front() == '/') {
    return std::string(right);
  }
  std::string joined(left);
  if (!joined.empty() && joined.back() != '/') {
    joined += '/';
  }
  joined += right;
  return joined;
}

std::string quoted_path(std::string_view path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
    }
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string_view file_name(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace zps
