#include "provenance/distfiles.h"

#include "base/files.h"
#include "base/paths.h"
#include "provenance/fetch_sites.h"
#include "streebog/streebog.h"

namespace zps {
namespace {

constexpr std::string_view kSha256Prefix = "SHA256 ";

// A distinfo file lists a few lines per distfile; one far larger is not
// one, and is read no further.
constexpr size_t kMaxDistinfoBytes = 16 << 20;

}  // namespace

std::vector<std::string> distinfo_names(std::string_view text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.substr(0, kSha256Prefix.size()) != kSha256Prefix) {
      continue;
    }
    size_t open = line.find('(');
    if (open == std::string_view::npos) {
      continue;
    }
    size_t close = line.find(')', open);
    if (close == std::string_view::npos || close <= open + 1) {
      continue;
    }
    names.emplace_back(line.substr(open + 1, close - open - 1));
  }
  return names;
}

void collect_source_distributions(PackageRecord* record,
                                  const PortVariables& vars,
                                  std::string_view master_site,
                                  std::string_view distfiles_dir) {
  if (distfiles_dir.empty() || vars.distinfo_file.empty()) {
    return;
  }
  std::string site(master_site);
  if (!site.empty() && site.back() != '/') {
    site += '/';
  }
  const std::string text =
      read_regular_file(vars.distinfo_file, kMaxDistinfoBytes).value_or("");
  for (const std::string& name : distinfo_names(text)) {
    // A NUL byte would end the path early and hash another file.
    if (name.find('\0') != std::string::npos) {
      continue;
    }
    const std::string url = first_fetch_url(vars, name, site);
    if (url.empty()) {
      continue;
    }
    // streebog256_file hashes only regular files and never blocks, so a
    // missing distfile, a directory or a FIFO in its place all give no entry.
    // The local copy keeps DIST_SUBDIR in its path.
    char digest[65];
    if (streebog256_file(join_path(distfiles_dir, name).c_str(), digest) != 0) {
      continue;
    }
    record->source_distributions.push_back({url, std::string(digest, 64)});
  }
}

}  // namespace zps
