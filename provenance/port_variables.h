#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// The make variables asked of a port, in the order of the query: the n-th
// line of make's output is the value of the n-th name.
inline constexpr std::array<std::string_view, 14> kPortQueryVariables = {
    "USE_GITHUB",   "GH_ACCOUNT",  "GH_PROJECT",  "GH_TAGNAME",   "USE_GITLAB",
    "GL_SITE",      "GL_ACCOUNT",  "GL_PROJECT",  "GL_COMMIT",    "GL_TAGNAME",
    "MASTER_SITES", "DISTVERSION", "PORTVERSION", "DISTINFO_FILE"};

// The values of one port's variables, index-aligned with
// kPortQueryVariables; empty when not read.
using PortVariables = std::array<std::string, kPortQueryVariables.size()>;

// True when `origin` names a port directory of `ports_tree`: both non-empty,
// the origin neither "base" nor beginning with "Zelkor/", neither absolute
// nor holding a ".." component, and the tree joined with the origin an
// existing directory (links followed).
[[nodiscard]] bool is_port_origin(std::string_view ports_tree,
                                  std::string_view origin);

// Returns the shell command that asks make for the port's variables:
// make -C '<tree>/<origin>' PORTSDIR='<tree>' -V <name>... 2>/dev/null,
// with each quoted value made safe by shell_quoted_text.
std::string port_query_command(std::string_view ports_tree,
                               std::string_view origin);

// Returns the values of `lines` (make's output lines, line feeds removed),
// one per variable in order; missing lines leave values empty.
PortVariables port_variables_from_lines(const std::vector<std::string>& lines);

// Runs the port query for `origin` in `ports_tree` and returns its values.
// Never fails: anything that goes wrong leaves values empty.
PortVariables query_port_variables(std::string_view ports_tree,
                                   std::string_view origin);

// Returns the value of the variable `name`, or empty when `name` is not
// one of kPortQueryVariables.
std::string port_variable(const PortVariables& vars, std::string_view name);

// Returns DISTVERSION when non-empty, otherwise PORTVERSION.
std::string port_version(const PortVariables& vars);

}  // namespace zps
