#include "provenance/distfiles.h"

#include <errno.h>
#include <unistd.h>

#include <charconv>
#include <memory>

#include "base/files.h"
#include "base/hex.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "provenance/fetch_sites.h"
#include "streebog/streebog.h"

namespace zps {
namespace {

// A distinfo file lists a few lines per distfile; one far larger is not
// one, and is read no further.
constexpr size_t kMaxDistinfoBytes = 16 << 20;

// Distfiles are read in blocks of this size, each fed to both hashes while
// it is in the cache.
constexpr size_t kDistfileReadSize = 256 * 1024;

bool is_hex_text(std::string_view text) {
  for (char c : text) {
    const char lower = static_cast<char>(c | 0x20);
    if (!((c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'f'))) {
      return false;
    }
  }
  return !text.empty();
}

std::string lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c | 0x20);
    }
  }
  return out;
}

// Splits "<KEY> (<name>) = <value>"; false when the line is not of that
// form or names nothing.
bool split_distinfo_line(std::string_view line, std::string_view* key,
                         std::string_view* name, std::string_view* value) {
  const size_t open = line.find(" (");
  if (open == std::string_view::npos) {
    return false;
  }
  const size_t close = line.find(") = ", open);
  if (close == std::string_view::npos || close <= open + 2) {
    return false;
  }
  *key = line.substr(0, open);
  *name = line.substr(open + 2, close - open - 2);
  *value = line.substr(close + 4);
  return true;
}

}  // namespace

std::vector<DistinfoEntry> parse_distinfo(std::string_view text) {
  std::vector<DistinfoEntry> entries;
  auto entry_for = [&](std::string_view name) -> DistinfoEntry& {
    for (DistinfoEntry& e : entries) {
      if (e.name == name) {
        return e;
      }
    }
    return entries.emplace_back(DistinfoEntry{std::string(name), "", {}});
  };
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    std::string_view key, name, value;
    if (!split_distinfo_line(line, &key, &name, &value)) {
      continue;
    }
    if (key == "SHA256" && is_hex_text(value)) {
      DistinfoEntry& e = entry_for(name);
      if (e.sha256.empty()) {
        e.sha256 = lower_ascii(value);
      }
    } else if (key == "SIZE" && !value.empty() && value.size() <= 19 &&
               value.find_first_not_of("0123456789") ==
                   std::string_view::npos) {
      uint64_t size = 0;
      std::from_chars(value.data(), value.data() + value.size(), size);
      DistinfoEntry& e = entry_for(name);
      if (!e.size) {
        e.size = size;
      }
    }
  }
  return entries;
}

std::optional<DistfileDigests> hash_distfile(const std::string& path) {
  const UniqueFd file = open_regular_file(path.c_str());
  if (!file.valid()) {
    return std::nullopt;
  }
  Sha256 sha256;
  Streebog256 streebog;
  streebog256_init(&streebog, 256);
  const auto block = std::make_unique<char[]>(kDistfileReadSize);
  DistfileDigests digests;
  for (;;) {
    const ssize_t got = read(file.get(), block.get(), kDistfileReadSize);
    if (got > 0) {
      sha256.update(block.get(), static_cast<size_t>(got));
      streebog256_update(&streebog, block.get(), static_cast<size_t>(got));
      digests.size += static_cast<uint64_t>(got);
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      streebog256_clear(&streebog);
      return std::nullopt;
    }
  }
  uint8_t streebog_digest[32];
  streebog256_final(&streebog, streebog_digest);
  streebog256_clear(&streebog);
  digests.sha256 = hex_text(sha256.finish());
  digests.streebog256 = hex_text(std::string_view(
      reinterpret_cast<const char*>(streebog_digest), sizeof streebog_digest));
  return digests;
}

void collect_source_distributions(PackageRecord* record,
                                  const PortVariables& vars,
                                  std::string_view master_site,
                                  std::string_view distfiles_dir,
                                  std::string_view label,
                                  std::string* messages) {
  if (distfiles_dir.empty() || vars.distinfo_file.empty()) {
    return;
  }
  std::string site(master_site);
  if (!site.empty() && site.back() != '/') {
    site += '/';
  }
  const std::string text =
      read_regular_file(vars.distinfo_file, kMaxDistinfoBytes).value_or("");
  for (const DistinfoEntry& entry : parse_distinfo(text)) {
    // A NUL byte would end the path early and hash another file.
    if (entry.name.find('\0') != std::string::npos) {
      continue;
    }
    const std::string url = first_fetch_url(vars, entry.name, site);
    if (url.empty()) {
      continue;
    }
    // The local copy keeps DIST_SUBDIR in its path. Only regular files are
    // read, never waited on: a missing distfile, a directory or a FIFO in
    // its place all give no entry.
    const std::string path = join_path(distfiles_dir, entry.name);
    const std::string warning =
        "  warning: " + std::string(label) + ": distfile " + entry.name;
    if (entry.sha256.empty()) {
      if (is_regular_file(path)) {
        *messages += warning + " has no SHA256 in distinfo\n";
      }
      continue;
    }
    const std::optional<DistfileDigests> digests = hash_distfile(path);
    if (!digests) {
      continue;
    }
    if (entry.size && *entry.size != digests->size) {
      *messages += warning + " does not match its distinfo (SIZE)\n";
      continue;
    }
    if (entry.sha256 != digests->sha256) {
      *messages += warning + " does not match its distinfo (SHA256)\n";
      continue;
    }
    record->source_distributions.push_back({url, digests->streebog256});
  }
}

}  // namespace zps
