#include "provenance/port_variables.h"

#include <sys/stat.h>

#include "packages/paths.h"
#include "provenance/shell_command.h"

namespace zps {
namespace {

constexpr std::string_view kOwnOriginPrefix = "Zelkor/";

// A value that does not fit the query's 8 KiB line is not one a port has.
constexpr size_t kMaxValueBytes = 8191;

// True when `origin`, which comes from a package, would lead out of the
// ports tree: an absolute path, or one with a ".." component. make must not
// be run on a Makefile outside the tree the user named.
bool leaves_tree(std::string_view origin) {
  if (!origin.empty() && origin.front() == '/') {
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

bool is_port_origin(std::string_view ports_tree, std::string_view origin) {
  if (ports_tree.empty() || origin.empty() || origin == "base" ||
      origin.substr(0, kOwnOriginPrefix.size()) == kOwnOriginPrefix ||
      leaves_tree(origin)) {
    return false;
  }
  struct stat st;
  const std::string dir = join_path(ports_tree, origin);
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string port_query_command(std::string_view ports_tree,
                               std::string_view origin) {
  const std::string tree = shell_quoted_text(ports_tree);
  std::string command = "make -C '" + tree + "/" + shell_quoted_text(origin) +
                        "' PORTSDIR='" + tree + "'";
  for (std::string_view name : kPortQueryVariables) {
    command += " -V ";
    command += name;
  }
  return command + " 2>/dev/null";
}

PortVariables port_variables_from_lines(const std::vector<std::string>& lines) {
  PortVariables vars;
  for (size_t i = 0; i < vars.size() && i < lines.size(); ++i) {
    vars[i] = lines[i];
  }
  return vars;
}

PortVariables query_port_variables(std::string_view ports_tree,
                                   std::string_view origin) {
  return port_variables_from_lines(
      read_command_lines(port_query_command(ports_tree, origin),
                         kPortQueryVariables.size(), kMaxValueBytes));
}

std::string port_variable(const PortVariables& vars, std::string_view name) {
  for (size_t i = 0; i < kPortQueryVariables.size(); ++i) {
    if (kPortQueryVariables[i] == name) {
      return vars[i];
    }
  }
  return {};
}

std::string port_version(const PortVariables& vars) {
  std::string version = port_variable(vars, "DISTVERSION");
  return version.empty() ? port_variable(vars, "PORTVERSION") : version;
}

}  // namespace zps
