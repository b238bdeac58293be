#include "provenance/provenance_settings.h"

#include "base/paths.h"
#include "provenance/shell_command.h"

namespace zps {
namespace {

constexpr size_t kRemoteLineBytes = 4095;

std::string remote_origin_url(std::string_view ports_tree) {
  std::vector<std::string> lines = read_command_lines(
      remote_origin_command(ports_tree), 1, kRemoteLineBytes);
  return lines.empty() ? std::string() : remote_url_from_line(lines.front());
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

}  // namespace zps
