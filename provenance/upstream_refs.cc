#include "provenance/upstream_refs.h"

#include "base/ascii.h"
#include "base/hex.h"
#include "base/url.h"
#include "provenance/distfiles.h"
#include "provenance/fetch_sites.h"
#include "provenance/origin.h"

namespace zps {
namespace {

constexpr std::string_view kGithubWeb = "https://github.com/";
constexpr std::string_view kGitlabDefaultSite = "https://gitlab.com";
constexpr std::string_view kGithubHost = "github.com";
constexpr std::string_view kReleaseMarker = "/releases/download/";
constexpr std::string_view kArchiveMarker = "/archive/refs/tags/";
constexpr std::string_view kTreePath = "/-/tree/";

// Returns `text` %-encoded as a purl component: every byte but ASCII
// letters, digits and -._~!'()* (and for a version ":" and "+") as %XX,
// the bytes purl parsers write as they are.
std::string purl_encoded(std::string_view text, bool version) {
  return percent_encoded(text, version ? "-._~!'()*:+" : "-._~!'()*");
}

// Returns "@" and the %-encoded `version`, or nothing for an empty one: a
// purl parser reads "name@" as a purl without a version, so it would not
// round-trip.
std::string purl_version(std::string_view version) {
  return version.empty() ? std::string() : "@" + purl_encoded(version, true);
}

bool is_group_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= '0' && c <= '9') || c == '_' || c == ',';
}

// Returns `url` without its trailing "/"s.
std::string trimmed_url(std::string_view url) {
  while (!url.empty() && url.back() == '/') {
    url.remove_suffix(1);
  }
  return std::string(url);
}

bool github_rule(UpstreamRefs* refs, const PortVariables& vars,
                 const std::string& version) {
  if (vars.use_github.empty()) {
    return false;
  }
  const std::string& account = vars.gh_account;
  const std::string& project = vars.gh_project;
  std::string tag = vars.gh_tagname;
  if (tag.empty()) {
    tag = version;
  }
  if (account.empty() || project.empty() || tag.empty()) {
    return false;
  }
  github_refs(refs, account, project, tag);
  return true;
}

bool gitlab_rule(UpstreamRefs* refs, const PortVariables& vars,
                 const std::string& version) {
  if (vars.use_gitlab.empty()) {
    return false;
  }
  std::string site = vars.gl_site;
  if (site.empty()) {
    site = kGitlabDefaultSite;
  }
  const std::string& account = vars.gl_account;
  const std::string& project = vars.gl_project;
  std::string reference = vars.gl_commit;
  if (reference.empty()) {
    reference = vars.gl_tagname;
  }
  if (reference.empty()) {
    reference = version;
  }
  if (account.empty() || project.empty() || reference.empty()) {
    return false;
  }
  refs->vcs_url =
      site + "/" + account + "/" + project + std::string(kTreePath) + reference;
  refs->download_location = git_download_location(
      trimmed_url(site) + "/" + account + "/" + project, reference);
  return true;
}

void master_site_rule(UpstreamRefs* refs, const PortVariables& vars,
                      const std::string& version) {
  const std::string& sites = vars.master_sites;
  const std::string entry = sites.substr(0, sites.find_first_of(" \t"));
  refs->master_site = first_master_site(entry);
  // Only a site on GitHub itself (github.com, codeload.github.com, ...):
  // "github.com/" in the path of another site, as a Go module proxy has it,
  // names no GitHub download.
  if (!is_host_in_domain(url_host(entry), kGithubHost)) {
    return;
  }
  std::string_view rest = std::string_view(entry).substr(entry.find("://") + 3);
  rest = rest.substr(rest.find('/') + 1);
  size_t slash = rest.find('/');
  if (slash == std::string_view::npos) {
    return;
  }
  std::string_view account = rest.substr(0, slash);
  std::string_view remainder = rest.substr(slash + 1);
  std::string_view project = remainder.substr(0, remainder.find('/'));
  if (project.size() >= 5 && project.substr(project.size() - 4) == ".git") {
    project.remove_suffix(4);
  }
  std::string tag = download_tag(entry);
  if (tag.empty()) {
    tag = version;
  }
  if (!account.empty() && !project.empty() && !tag.empty()) {
    github_refs(refs, account, project, tag);
  }
}

}  // namespace

void github_refs(UpstreamRefs* refs, std::string_view account,
                 std::string_view project, std::string_view tag) {
  refs->vcs_url = std::string(kGithubWeb) + std::string(account) + "/" +
                  std::string(project) + "/tree/" + std::string(tag);
  refs->download_location =
      git_download_location(std::string(kGithubWeb) + std::string(account) +
                                "/" + std::string(project),
                            tag);
  refs->purl = "pkg:github/" + purl_encoded(ascii_lower(account), false) + "/" +
               purl_encoded(ascii_lower(project), false) + purl_version(tag);
}

std::string first_master_site(std::string_view entry) {
  size_t colon = entry.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == entry.size() ||
      entry.substr(colon, 3) == "://") {
    return std::string(entry);
  }
  std::string_view suffix = entry.substr(colon + 1);
  for (char c : suffix) {
    if (!is_group_char(c)) {
      return std::string(entry);
    }
  }
  if (is_all_digits(suffix) && (colon == 0 || entry[colon - 1] != '/')) {
    return std::string(entry);  // a port number
  }
  return std::string(entry.substr(0, colon));
}

std::string download_tag(std::string_view url) {
  size_t at = url.find(kReleaseMarker);
  if (at == std::string_view::npos) {
    at = url.find(kArchiveMarker);
  }
  if (at == std::string_view::npos) {
    return {};
  }
  // Both markers are 19 bytes long.
  std::string_view rest = url.substr(at + kReleaseMarker.size());
  return std::string(rest.substr(0, rest.find('/')));
}

void apply_port_rules(UpstreamRefs* refs, const PortVariables& vars) {
  const std::string& version = port_version(vars);
  if (!github_rule(refs, vars, version) && !gitlab_rule(refs, vars, version)) {
    master_site_rule(refs, vars, version);
  }
}

std::string git_download_location(std::string_view repository,
                                  std::string_view revision,
                                  std::string_view path) {
  const std::string url = trimmed_url(repository);
  if (!is_absolute_url(url) || revision.empty()) {
    return {};
  }
  // The revision and path come from packages: "@", "#", "%" and blanks
  // would change what the location says.
  constexpr std::string_view kKept = "-._~/+";
  std::string location = url.compare(0, 4, "git+") == 0 ? "" : "git+";
  location += url + "@" + percent_encoded(revision, kKept);
  if (!path.empty()) {
    location += "#" + percent_encoded(path, kKept);
  }
  return location;
}

std::string generic_purl(std::string_view name, std::string_view version) {
  return "pkg:generic/" + purl_encoded(ascii_lower(name), false) +
         purl_version(version);
}

void derive_upstream_refs(PackageRecord* record, std::string_view label,
                          const ProvenanceSettings& settings,
                          std::string* messages) {
  const OriginKind kind = classify_origin(settings.ports_tree, record->origin);
  UpstreamRefs refs;
  PortVariables vars;
  if (kind == OriginKind::kPort) {
    vars = query_port_variables(settings.ports_tree, record->origin);
    apply_port_rules(&refs, vars);
  }
  record->vcs_url = refs.vcs_url;
  record->download_location = refs.download_location;
  record->purl = !refs.purl.empty()
                     ? refs.purl
                     : generic_purl(record->name, record->version);
  if (!record->vcs_url.empty()) {
    return;
  }
  const bool has_ports_commit =
      !settings.internal_vcs_url.empty() && !record->ports_top_git_hash.empty();
  const std::string ports_tree_url = settings.internal_vcs_url +
                                     std::string(kTreePath) +
                                     record->ports_top_git_hash + "/";
  switch (kind) {
    case OriginKind::kOwn:
      if (has_ports_commit) {
        record->vcs_url = ports_tree_url + record->origin;
        record->download_location =
            git_download_location(settings.internal_vcs_url,
                                  record->ports_top_git_hash, record->origin);
      }
      break;
    case OriginKind::kBase:
      if (!settings.base_vcs_url.empty() && !settings.base_vcs_ref.empty()) {
        record->vcs_url = settings.base_vcs_url + std::string(kTreePath) +
                          settings.base_vcs_ref;
        record->download_location =
            git_download_location(settings.base_vcs_url, settings.base_vcs_ref);
      }
      break;
    case OriginKind::kPort:
      collect_source_distributions(record, vars, refs.master_site,
                                   settings.distfiles_dir, label, messages);
      // Without local sources, the port's directory in the maker's copy of
      // the ports tree at the commit the package was built from.
      if (!record->source_distributions.empty()) {
        record->download_location = record->source_distributions.front().url;
      } else if (has_ports_commit) {
        record->vcs_url = ports_tree_url + record->origin;
        record->download_location =
            git_download_location(settings.internal_vcs_url,
                                  record->ports_top_git_hash, record->origin);
      }
      break;
    case OriginKind::kUnknown:
      break;
  }
}

}  // namespace zps
