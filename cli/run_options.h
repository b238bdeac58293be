#pragma once

#include <string>
#include <vector>

namespace zps {

// The settings of one run, taken verbatim from the command line; an empty
// text means the setting was not given. Read-only after parsing: the run
// driver derives its defaults (ports tree, internal URL, distfiles
// directory) in settings of its own.
struct RunOptions {
  std::vector<std::string> repo_dirs;  // in command-line order, repeats kept
  std::string output_path;             // empty: standard output
  std::string sbom_spdx_path;
  std::string sbom_cyclonedx_path;
  std::string app_name;
  std::string app_version;
  std::string manufacturer;
  std::string ports_tree;
  std::string attack_surface = "no";
  std::string security_function = "no";
  std::string internal_vcs_url;
  std::string base_vcs_url;
  std::string base_vcs_ref;
  std::string distfiles_dir;
  std::string cyclonedx_version = "1.6";  // "1.6" or "1.7"
  std::string verify_list;  // --verify: check this list instead of a scan
  std::string verify_root;
  std::string vuxml_path;  // --vuxml: check the packages against it
  bool fail_on_vulnerable = false;
  bool strict = false;
  bool verbose = false;
  unsigned jobs = 0;  // worker threads; 0: as many as the usable CPUs
};

}  // namespace zps
