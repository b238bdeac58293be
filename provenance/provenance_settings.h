#pragma once

#include <string>
#include <string_view>

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

// Applies the start-up defaults to `settings`: a relative ports tree is
// joined to `cwd`; then an empty internal URL comes from the tree's git
// remote named origin (one git child; stays empty when there is none) and
// an empty distfiles directory is the tree joined with "distfiles". Does
// nothing without a ports tree.
void apply_ports_tree_defaults(ProvenanceSettings* settings,
                               std::string_view cwd);

}  // namespace zps
