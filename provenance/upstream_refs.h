#pragma once

#include <string>
#include <string_view>

#include "packages/package_record.h"
#include "provenance/port_variables.h"
#include "provenance/provenance_settings.h"

namespace zps {

// The working references of one package while they are derived.
struct UpstreamRefs {
  std::string vcs_url;  // web URL of the source at a tag or commit
  // The same place as SPDX's downloadLocation writes it: git+URL@REF.
  std::string download_location;
  std::string purl;         // set only by the GitHub rules
  std::string master_site;  // first master site, without group suffix
};

// Sets `refs->vcs_url` to the GitHub tree of `tag` in account/project,
// `refs->download_location` to git_download_location of the project's URL
// and the tag, and `refs->purl` to pkg:github/<account>/<project>@<tag>,
// account and project lowered (ASCII only), each %-encoded as a purl
// component; without "@" when `tag` is empty.
void github_refs(UpstreamRefs* refs, std::string_view account,
                 std::string_view project, std::string_view tag);

// Returns a MASTER_SITES entry without its group suffix (":" and group
// names), keeping a port number (":" and digits after a host).
std::string first_master_site(std::string_view entry);

// Returns the path component after "/releases/download/" (or, when that is
// absent, after "/archive/refs/tags/") in `url`, or empty.
std::string download_tag(std::string_view url);

// Applies the GitHub, GitLab and master-site rules to `refs` from a port's
// variables, the first that gives a result winning.
void apply_port_rules(UpstreamRefs* refs, const PortVariables& vars);

// Returns where a repository's revision is, as SPDX writes a download
// location: "git+" and `repository` (without trailing "/"; no "git+" when
// its scheme already starts so), "@" and `revision`, and, when `path` is
// not empty, "#" and `path`; revision and path %-encoded but for ASCII
// letters, digits and "-._~/+". Empty when `repository` is not an absolute
// URL (scheme "://" host...), as a git remote "host:path" is not, or
// `revision` is empty.
std::string git_download_location(std::string_view repository,
                                  std::string_view revision,
                                  std::string_view path = {});

// Returns pkg:generic/<name with ASCII letters lowered>@<version>, both
// %-encoded as purl components; pkg:generic/<name> when `version` is empty.
std::string generic_purl(std::string_view name, std::string_view version);

// Fills `record`'s vcs_url, download_location, purl and
// source_distributions by the first rule that gives a result, after the
// origin is classified once:
// - a port of the ports tree: its GitHub, GitLab or master-site reference
//   from its variables (one make child); else its local distfiles; else,
//   with an internal URL and a ports commit, the port's directory there:
//   <internal>/-/tree/<commit>/<origin>;
// - one of the maker's components, with an internal URL and a ports commit:
//   <internal>/-/tree/<commit>/<origin>;
// - the base system, with a base URL and reference: <base url>/-/tree/<ref>.
// The download location names the same source as the vcs_url (for the
// ports tree and the maker's components the origin is the path inside the
// repository), or else is the URL of the first source distribution.
// Every record gets a purl: the GitHub one, else the generic one. The
// warnings about local distfiles that do not match their distinfo go to
// `*messages` (see collect_source_distributions), naming the package
// `label`; nothing is written.
void derive_upstream_refs(PackageRecord* record, std::string_view label,
                          const ProvenanceSettings& settings,
                          std::string* messages);

}  // namespace zps
