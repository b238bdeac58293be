#pragma once

#include <string>
#include <string_view>

#include "packages/package_record.h"

namespace zps {

// The run's settings that the provenance rules read.
struct ProvenanceSettings {
  std::string ports_tree;        // absolute, or empty
  std::string internal_vcs_url;  // base web URL of the maker's repository
  std::string base_vcs_url;      // the base system's source repository
  std::string base_vcs_ref;      // its commit, tag or branch
  std::string distfiles_dir;
};

// Returns the shell command that prints the ports tree's remote URL:
// git -C '<tree>' remote get-url origin 2>/dev/null, the tree made safe by
// shell_quoted_text.
std::string remote_origin_command(std::string_view ports_tree);

// Returns the remote URL from git's first output line (without its line
// feed): one trailing line feed removed, then a trailing ".git" when at
// least one byte precedes it.
std::string remote_url_from_line(std::string line);

// Returns the web URL of the git remote named origin of `ports_tree`, or
// empty when there is none. Runs one git child and waits for it.
std::string remote_origin_url(std::string_view ports_tree);

// Applies the start-up defaults to `settings`: a relative ports tree is
// joined to `cwd`; then an empty internal URL comes from the tree's git
// remote and an empty distfiles directory is the tree joined with
// "distfiles". Does nothing without a ports tree.
void apply_ports_tree_defaults(ProvenanceSettings* settings,
                               std::string_view cwd);

// The rules that give a package a reference to its sources in a repository
// of the maker or of the base system. Each sets `record->vcs_url` when it
// applies and does nothing otherwise.
//
// Maker's component: origin "Zelkor/..." with an internal URL and a ports
// commit: <internal>/-/tree/<commit>/<origin>.
void apply_makers_component_rule(PackageRecord* record,
                                 const ProvenanceSettings& settings);
// Base system: origin "base" with a base URL and reference:
// <base url>/-/tree/<ref>.
void apply_base_system_rule(PackageRecord* record,
                            const ProvenanceSettings& settings);
// Ports repository: any other origin naming a directory of the ports tree,
// with an internal URL and a ports commit: the port's directory in the
// internal repository at that commit.
void apply_ports_repository_fallback(PackageRecord* record,
                                     const ProvenanceSettings& settings);

}  // namespace zps
