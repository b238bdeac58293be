#include "provenance/origin_defaults.h"

#include <sys/stat.h>

#include "packages/paths.h"
#include "provenance/shell_command.h"

namespace zps {
namespace {

constexpr std::string_view kOwnOriginPrefix = "Zelkor/";
constexpr std::string_view kTreePath = "/-/tree/";
constexpr size_t kRemoteLineBytes = 4095;

bool has_own_prefix(std::string_view origin) {
  return origin.substr(0, kOwnOriginPrefix.size()) == kOwnOriginPrefix;
}

}  // namespace

std::string remote_origin_command(std::string_view ports_tree) {
  return "git -C '" + shell_quoted_text(ports_tree) +
         "' remote get-url origin 2>/dev/null";
}

std::string remote_url_from_line(std::string line) {
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
  }
  constexpr std::string_view kGit = ".git";
  if (line.size() >= kGit.size() + 1 &&
      line.compare(line.size() - kGit.size(), kGit.size(), kGit) == 0) {
    line.resize(line.size() - kGit.size());
  }
  return line;
}

std::string remote_origin_url(std::string_view ports_tree) {
  std::vector<std::string> lines = read_command_lines(
      remote_origin_command(ports_tree), 1, kRemoteLineBytes);
  return lines.empty() ? std::string() : remote_url_from_line(lines.front());
}

void apply_ports_tree_defaults(ProvenanceSettings* settings,
                               std::string_view cwd) {
  if (settings->ports_tree.empty()) {
    return;
  }
  // Relative to where the tool runs, not to the port directory make is
  // started in.
  if (settings->ports_tree.front() != '/') {
    settings->ports_tree = join_path(cwd, settings->ports_tree);
  }
  if (settings->internal_vcs_url.empty()) {
    settings->internal_vcs_url = remote_origin_url(settings->ports_tree);
  }
  if (settings->distfiles_dir.empty()) {
    settings->distfiles_dir = join_path(settings->ports_tree, "distfiles");
  }
}

void apply_makers_component_rule(PackageRecord* record,
                                 const ProvenanceSettings& settings) {
  if (settings.internal_vcs_url.empty() || record->ports_top_git_hash.empty() ||
      !has_own_prefix(record->origin)) {
    return;
  }
  record->vcs_url = settings.internal_vcs_url + std::string(kTreePath) +
                    record->ports_top_git_hash + "/" + record->origin;
}

void apply_base_system_rule(PackageRecord* record,
                            const ProvenanceSettings& settings) {
  if (settings.base_vcs_url.empty() || settings.base_vcs_ref.empty() ||
      record->origin != "base") {
    return;
  }
  record->vcs_url =
      settings.base_vcs_url + std::string(kTreePath) + settings.base_vcs_ref;
}

void apply_ports_repository_fallback(PackageRecord* record,
                                     const ProvenanceSettings& settings) {
  if (settings.internal_vcs_url.empty() || record->ports_top_git_hash.empty() ||
      settings.ports_tree.empty() || record->origin == "base" ||
      has_own_prefix(record->origin)) {
    return;
  }
  struct stat st;
  const std::string dir = join_path(settings.ports_tree, record->origin);
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return;
  }
  record->vcs_url = settings.internal_vcs_url + std::string(kTreePath) +
                    record->ports_top_git_hash + "/" + record->origin;
}

}  // namespace zps
