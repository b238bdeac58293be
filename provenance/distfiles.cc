#include "provenance/distfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "packages/paths.h"
#include "packages/unique_fd.h"
#include "streebog/streebog.h"

namespace zps {
namespace {

constexpr std::string_view kSha256Prefix = "SHA256 ";
constexpr std::string_view kOwnOriginPrefix = "Zelkor/";

// A distinfo file lists a few lines per distfile; one far larger is not
// one, and is read no further.
constexpr size_t kMaxDistinfoBytes = 16 << 20;

// Returns the text of the regular file `path` (up to kMaxDistinfoBytes), or
// empty when it cannot be read; a FIFO or device is not waited on.
std::string read_distinfo(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return {};
  }
  std::string text;
  char chunk[8192];
  ssize_t n;
  while (text.size() < kMaxDistinfoBytes &&
         (n = read(fd.get(), chunk, sizeof chunk)) > 0) {
    text.append(chunk, static_cast<size_t>(n));
  }
  return text;
}

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
                                  std::string_view master_site,
                                  const std::string& distinfo_file,
                                  std::string_view distfiles_dir) {
  const std::string_view origin = record->origin;
  if (!record->vcs_url.empty() || distfiles_dir.empty() ||
      master_site.empty() || origin == "base" ||
      origin.substr(0, kOwnOriginPrefix.size()) == kOwnOriginPrefix) {
    return;
  }
  std::string site(master_site);
  if (site.back() != '/') {
    site += '/';
  }
  if (distinfo_file.empty()) {
    return;
  }
  for (const std::string& name : distinfo_names(read_distinfo(distinfo_file))) {
    // A NUL byte would end the path early and hash another file.
    if (name.find('\0') != std::string::npos) {
      continue;
    }
    // streebog256_file hashes only regular files and never blocks, so a
    // missing distfile, a directory or a FIFO in its place all give no entry.
    char digest[65];
    if (streebog256_file(join_path(distfiles_dir, name).c_str(), digest) != 0) {
      continue;
    }
    record->source_distributions.push_back(
        {site + name, std::string(digest, 64)});
  }
}

}  // namespace zps
