#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// The make variables asked of a port; empty when not read.
struct PortVariables {
  std::string use_github;
  std::string gh_account;
  std::string gh_project;
  std::string gh_tagname;
  std::string use_gitlab;
  std::string gl_site;
  std::string gl_account;
  std::string gl_project;
  std::string gl_commit;
  std::string gl_tagname;
  std::string master_sites;
  std::string distversion;
  std::string portversion;
  std::string distinfo_file;
  // What the ports framework fetches, and from where; empty in a tree whose
  // Makefiles set the variables above without the framework.
  std::string dist_subdir;
  std::string distfiles;         // names, each with ":group,..." or none
  std::string patchfiles;        // likewise, each may end in ":-pN"
  std::string master_sites_env;  // _MASTER_SITES_<group>=<sites> words
  std::string patch_sites_env;   // _PATCH_SITES_<group>=<sites> words
  std::string site_override;     // sites tried before all others
  std::string sort_regex;        // how the framework orders a file's sites
};

// One variable of the query: its make name and where its value goes.
struct PortQueryVariable {
  std::string_view name;
  std::string PortVariables::*member;
};

// The query's variables in order: the n-th line of make's output is the
// value of the n-th.
inline constexpr std::array<PortQueryVariable, 21> kPortQueryVariables = {{
    {"USE_GITHUB", &PortVariables::use_github},
    {"GH_ACCOUNT", &PortVariables::gh_account},
    {"GH_PROJECT", &PortVariables::gh_project},
    {"GH_TAGNAME", &PortVariables::gh_tagname},
    {"USE_GITLAB", &PortVariables::use_gitlab},
    {"GL_SITE", &PortVariables::gl_site},
    {"GL_ACCOUNT", &PortVariables::gl_account},
    {"GL_PROJECT", &PortVariables::gl_project},
    {"GL_COMMIT", &PortVariables::gl_commit},
    {"GL_TAGNAME", &PortVariables::gl_tagname},
    {"MASTER_SITES", &PortVariables::master_sites},
    {"DISTVERSION", &PortVariables::distversion},
    {"PORTVERSION", &PortVariables::portversion},
    {"DISTINFO_FILE", &PortVariables::distinfo_file},
    {"DIST_SUBDIR", &PortVariables::dist_subdir},
    {"DISTFILES", &PortVariables::distfiles},
    {"PATCHFILES", &PortVariables::patchfiles},
    {"_MASTER_SITES_ENV", &PortVariables::master_sites_env},
    {"_PATCH_SITES_ENV", &PortVariables::patch_sites_env},
    {"_MASTER_SITE_OVERRIDE", &PortVariables::site_override},
    {"MASTER_SORT_REGEX", &PortVariables::sort_regex},
}};

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
// Requires: classify_origin(ports_tree, origin) is OriginKind::kPort.
PortVariables query_port_variables(std::string_view ports_tree,
                                   std::string_view origin);

// Returns DISTVERSION when non-empty, otherwise PORTVERSION.
const std::string& port_version(const PortVariables& vars);

}  // namespace zps
