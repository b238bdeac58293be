// Where the ports framework fetches a port's files from.
//
// The framework's fetch script takes each entry of DISTFILES (or, with the
// patch sites, of PATCHFILES) as NAME[:GROUP,...]: the name is what comes
// before the first ":", the groups what follows the last one. Its sites
// are _MASTER_SITES_<GROUP> (or _PATCH_SITES_<GROUP>) of each group in
// turn, which the framework hands to the script as the words of
// _MASTER_SITES_ENV, each value quoted with backslashes. The script tries
// the override sites first, then those sites ordered by MASTER_SORT_AWK:
// for each pattern of MASTER_SORT_REGEX in order, the sites it matches
// (each site going to the first pattern it matches), then the rest; last
// the backup sites, which are the project's cache. The URL is the site
// followed by the name.

#include "provenance/fetch_sites.h"

#include <vector>

#include "base/ascii.h"

namespace zps {
namespace {

constexpr std::string_view kCacheHost = "distcache.freebsd.org";
// MASTER_SORT_REGEX holds patterns of this form only: the framework makes
// each one from a host name (dots escaped), and ends the list with the
// bare form, which matches every URL with a host and a path.
constexpr std::string_view kSortPatternHead = "://[^/]*";

bool ends_with_ignoring_case(std::string_view text, std::string_view tail) {
  if (tail.size() > text.size()) {
    return false;
  }
  text.remove_prefix(text.size() - tail.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    if (ascii_lower(text[i]) != ascii_lower(tail[i])) {
      return false;
    }
  }
  return true;
}

// Returns the words of `text` split at blanks. With `quoted`, as make's :Q
// quotes them: a backslash makes the byte after it part of the word, and
// is removed.
std::vector<std::string> words_of(std::string_view text, bool quoted) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      if (in_word) {
        words.push_back(std::move(word));
        word.clear();
      }
      in_word = false;
      continue;
    }
    in_word = true;
    if (quoted && c == '\\' && i + 1 < text.size()) {
      ++i;
    }
    word += text[i];
  }
  if (in_word) {
    words.push_back(std::move(word));
  }
  return words;
}

// True when `site` matches the sort pattern `pattern`, "://[^/]*" followed
// by a host tail (dots escaped) and "/", compared as the framework's awk
// does, ignoring case. A pattern of any other form matches nothing.
bool matches_sort_pattern(std::string_view site, std::string_view pattern) {
  if (pattern.substr(0, kSortPatternHead.size()) != kSortPatternHead ||
      pattern.empty() || pattern.back() != '/') {
    return false;
  }
  std::string tail;
  const std::string_view escaped = pattern.substr(
      kSortPatternHead.size(), pattern.size() - kSortPatternHead.size() - 1);
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\\' && i + 1 < escaped.size()) {
      ++i;
    } else if (std::string_view("[]()*+?{}|^$.").find(escaped[i]) !=
               std::string_view::npos) {
      return false;
    }
    tail += escaped[i];
  }
  const size_t scheme = site.find("://");
  if (scheme == std::string_view::npos) {
    return false;
  }
  const std::string_view rest = site.substr(scheme + 3);
  const size_t slash = rest.find('/');
  return slash != std::string_view::npos &&
         ends_with_ignoring_case(rest.substr(0, slash), tail);
}

// Returns the sites of `groups` (in order) in `env`, the words
// "<prefix><GROUP>=<sites>".
std::vector<std::string> group_sites(std::string_view env,
                                     std::string_view prefix,
                                     const std::vector<std::string>& groups) {
  const std::vector<std::string> words = words_of(env, true);
  std::vector<std::string> sites;
  for (const std::string& group : groups) {
    const std::string key = std::string(prefix) + group + "=";
    for (const std::string& word : words) {
      if (word.compare(0, key.size(), key) == 0) {
        for (std::string& site : words_of(word.substr(key.size()), false)) {
          sites.push_back(std::move(site));
        }
        break;
      }
    }
  }
  return sites;
}

bool is_cache(std::string_view site) {
  const std::string_view host = url_host(site);
  return host.size() == kCacheHost.size() &&
         is_host_in_domain(host, kCacheHost);
}

// Returns the first site of `sites` in the order MASTER_SORT_AWK gives for
// the patterns `sort_regex`, skipping the project's cache; empty for none.
std::string first_sorted_site(const std::vector<std::string>& sites,
                              std::string_view sort_regex) {
  const std::vector<std::string> patterns = words_of(sort_regex, false);
  // A site's bucket is the first pattern it matches; the rest come last.
  size_t best_bucket = patterns.size() + 1;
  std::string best;
  for (const std::string& site : sites) {
    if (is_cache(site)) {
      continue;
    }
    size_t bucket = 0;
    while (bucket < patterns.size() &&
           !matches_sort_pattern(site, patterns[bucket])) {
      ++bucket;
    }
    if (bucket < best_bucket) {
      best_bucket = bucket;
      best = site;
    }
  }
  return best;
}

// Looks `file` up in the framework list `list` (DISTFILES or PATCHFILES)
// and sets `*groups` to its groups. Returns false when it is not listed.
bool find_groups(std::string_view list, std::string_view file,
                 std::vector<std::string>* groups) {
  for (std::string entry : words_of(list, false)) {
    // A patch file may carry its strip level as ":-pN", which is no group.
    const size_t strip = entry.find(":-p");
    if (strip != std::string::npos && strip + 4 <= entry.size() &&
        entry[strip + 3] >= '0' && entry[strip + 3] <= '9') {
      entry.erase(strip, 4);
    }
    const size_t colon = entry.find(':');
    if (entry.compare(0, colon, file) != 0 ||
        (colon == std::string::npos && entry.size() != file.size())) {
      continue;
    }
    groups->clear();
    if (colon == std::string::npos) {
      groups->push_back("DEFAULT");
      return true;
    }
    std::string_view names =
        std::string_view(entry).substr(entry.rfind(':') + 1);
    while (!names.empty()) {
      const size_t comma = names.find(',');
      groups->emplace_back(names.substr(0, comma));
      names = comma == std::string_view::npos ? std::string_view()
                                              : names.substr(comma + 1);
    }
    return true;
  }
  return false;
}

}  // namespace

// The host of `url`: between "://" and the next "/", without a user part or
// a port; empty when the URL has no "://".
std::string_view url_host(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) {
    return {};
  }
  std::string_view host = url.substr(scheme + 3);
  host = host.substr(0, host.find('/'));
  const size_t at = host.rfind('@');
  if (at != std::string_view::npos) {
    host.remove_prefix(at + 1);
  }
  return host.substr(0, host.find(':'));
}

bool is_host_in_domain(std::string_view host, std::string_view domain) {
  return ends_with_ignoring_case(host, domain) &&
         (host.size() == domain.size() ||
          host[host.size() - domain.size() - 1] == '.');
}

std::string first_fetch_url(const PortVariables& vars,
                            std::string_view distinfo_name,
                            std::string_view fallback_site) {
  std::string_view file = distinfo_name;
  if (!vars.dist_subdir.empty() &&
      file.substr(0, vars.dist_subdir.size()) == vars.dist_subdir &&
      file.size() > vars.dist_subdir.size() &&
      file[vars.dist_subdir.size()] == '/') {
    file.remove_prefix(vars.dist_subdir.size() + 1);
  }
  if (vars.distfiles.empty() && vars.patchfiles.empty()) {
    return fallback_site.empty()
               ? std::string()
               : std::string(fallback_site) + std::string(file);
  }
  std::vector<std::string> groups;
  std::vector<std::string> sites;
  if (find_groups(vars.distfiles, file, &groups)) {
    sites = group_sites(vars.master_sites_env, "_MASTER_SITES_", groups);
  } else if (find_groups(vars.patchfiles, file, &groups)) {
    sites = group_sites(vars.patch_sites_env, "_PATCH_SITES_", groups);
  } else {
    return {};
  }
  // The override sites come first, outside the sorting.
  std::string site;
  for (const std::string& override : words_of(vars.site_override, false)) {
    if (!is_cache(override)) {
      site = override;
      break;
    }
  }
  if (site.empty()) {
    site = first_sorted_site(sites, vars.sort_regex);
  }
  return site.empty() ? std::string() : site + std::string(file);
}

}  // namespace zps
