#include "provenance/port_variables.h"

#include "provenance/shell_command.h"

namespace zps {
namespace {

// The site lists of a port with hundreds of crates or Go modules run to
// hundreds of KiB; a value longer than this is not one a port has.
constexpr size_t kMaxValueBytes = 4 << 20;

}  // namespace

std::string port_query_command(std::string_view ports_tree,
                               std::string_view origin) {
  const std::string tree = shell_quoted_text(ports_tree);
  std::string command = "make -C '" + tree + "/" + shell_quoted_text(origin) +
                        "' PORTSDIR='" + tree + "'";
  for (const PortQueryVariable& variable : kPortQueryVariables) {
    command += " -V ";
    command += variable.name;
  }
  return command + " 2>/dev/null";
}

PortVariables port_variables_from_lines(const std::vector<std::string>& lines) {
  PortVariables vars;
  for (size_t i = 0; i < kPortQueryVariables.size() && i < lines.size(); ++i) {
    vars.*kPortQueryVariables[i].member = lines[i];
  }
  return vars;
}

PortVariables query_port_variables(std::string_view ports_tree,
                                   std::string_view origin) {
  return port_variables_from_lines(
      read_command_lines(port_query_command(ports_tree, origin),
                         kPortQueryVariables.size(), kMaxValueBytes));
}

const std::string& port_version(const PortVariables& vars) {
  return vars.distversion.empty() ? vars.portversion : vars.distversion;
}

}  // namespace zps
