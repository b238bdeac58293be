#include "packages/checksum_list.h"

#include <string.h>

#include <limits>

#include "base/hex.h"
#include "packages/pkg_encoding.h"
#include "packages/verbose.h"

namespace zps {
namespace {

constexpr std::string_view kOwnPrefix = "Zelkor";
constexpr std::string_view kFirmwareMarker = "uefi-firmware";
constexpr uint64_t kExecuteBits = 0111;
constexpr size_t kSha256Bytes = 32;

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

// True for a sum of a type the line cannot carry as it stands: a decimal
// digit other than 1, then "$".
bool is_other_hash_type(std::string_view sum) {
  return sum.size() >= 2 && sum[1] == '$' && sum[0] >= '0' && sum[0] <= '9' &&
         sum[0] != '1';
}

// True when `text` holds an ASCII control byte other than TAB: a line feed
// or a NUL byte, but also a carriage return, \v, \f or 0x1C-0x1E, at which
// common line readers split a line, so that the entry could forge another.
bool has_control_byte(std::string_view text) {
  // Eight bytes at a time first: a word with no byte below 0x20 and none
  // equal to 0x7F is passed at once; only a word that may hold one (or a
  // TAB) is looked at byte by byte.
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHighs = 0x8080808080808080;
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    memcpy(&word, text.data() + i, 8);
    const uint64_t below_space = (word - kOnes * 0x20) & ~word & kHighs;
    const uint64_t del = word ^ (kOnes * 0x7F);
    const uint64_t is_del = (del - kOnes) & ~del & kHighs;
    if ((below_space | is_del) != 0) {
      break;
    }
  }
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
      return true;
    }
  }
  return false;
}

// Returns true when a file entry whose value is the object `file` names an
// executable: a `perm` text with an execute bit, or no usable `perm` at all.
bool is_executable(const ManifestValue& file) {
  std::optional<ManifestValue> perm = file.lookup("perm");
  if (!perm) {
    return true;
  }
  std::optional<std::string_view> text = perm->string();
  return !text || (read_octal(*text) & kExecuteBits) != 0;
}

// Returns the checksum text of one `files` member, or nothing when the
// member is not listed.
std::optional<std::string_view> listed_sum(std::string_view path,
                                           const ManifestValue& value,
                                           bool own_package) {
  if (value.type() != ManifestType::kObject) {
    return value.string();
  }
  if (!own_package && path.find(kFirmwareMarker) == std::string_view::npos &&
      !is_executable(value)) {
    return std::nullopt;
  }
  std::optional<ManifestValue> sum = value.lookup("sum");
  if (!sum) {
    return std::nullopt;
  }
  return sum->string();
}

}  // namespace

bool is_own_package(std::string_view label) {
  return label.substr(0, kOwnPrefix.size()) == kOwnPrefix;
}

uint64_t read_octal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && is_c_space(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '7'; ++i) {
    if (value > (kMax >> 3)) {
      overflow = true;
    }
    value = (value << 3) | static_cast<uint64_t>(text[i] - '0');
  }
  if (overflow) {
    return kMax;
  }
  return negative ? uint64_t{0} - value : value;
}

std::optional<std::string_view> normalize_checksum(std::string_view text) {
  for (std::string_view prefix :
       {std::string_view("1$sha256$"), std::string_view("sha256:")}) {
    if (text.size() >= prefix.size() &&
        text.substr(0, prefix.size()) == prefix) {
      text.remove_prefix(prefix.size());
      if (text.empty()) {
        return std::nullopt;
      }
      return text;
    }
  }
  if (text.size() >= 3 && text.substr(0, 2) == "1$") {
    text.remove_prefix(2);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  return text;
}

ChecksumList collect_checksums(const ManifestValue& root,
                               std::string_view label, std::string* messages) {
  ChecksumList list;
  std::optional<ManifestValue> files = root.lookup("files");
  if (!files) {
    if (verbose) {
      *messages += "  [verbose] " + std::string(label) + ": no 'files' key\n";
    }
    return list;
  }
  if (files->type() != ManifestType::kObject) {
    if (verbose) {
      *messages += "  [verbose] " + std::string(label) +
                   ": 'files' is not an object (type=" +
                   std::to_string(static_cast<int>(files->type())) + ")\n";
    }
    return list;
  }
  const bool own = is_own_package(label);
  for (const ManifestMember& m : files->members()) {
    if (m.key.empty()) {
      continue;
    }
    // The package tool writes bytes 0x80-0xFF and "%" of a path %-encoded.
    std::string_view path = m.key;
    if (path.find('%') != std::string_view::npos) {
      path = list.storage.emplace_back(percent_decode(path));
    }
    std::optional<std::string_view> sum = listed_sum(path, m.value, own);
    if (!sum) {
      continue;
    }
    std::optional<std::string_view> checksum = normalize_checksum(*sum);
    if (!checksum) {
      continue;
    }
    if (has_control_byte(path) || has_control_byte(*checksum)) {
      *messages += "  warning: " + std::string(label) +
                   ": skipped a file entry with a line break or NUL byte\n";
      ++list.left_out;
      continue;
    }
    ChecksumEntry entry{path, *checksum};
    if (is_other_hash_type(*checksum)) {
      std::optional<std::string> digest;
      if ((*checksum)[0] == '0') {
        digest = decode_pkg_base32(checksum->substr(2), kSha256Bytes);
      }
      if (digest) {
        entry.checksum = list.storage.emplace_back(hex_text(*digest));
      } else {
        entry.needs_digest = true;
        list.needs_digests = true;
      }
    }
    list.entries.push_back(entry);
  }
  return list;
}

void resolve_digests(ChecksumList* list, const MemberDigests& digests,
                     std::string_view label, std::string* messages) {
  const std::string why =
      digests.stopped_at_bytes == 0
          ? " (the manifest sum is not SHA-256 and the archive holds no data for it)\n"
          : " (the manifest sum is not SHA-256 and the package's members past " +
                std::to_string(digests.stopped_at_bytes) +
                " bytes of data were not read)\n";
  std::vector<ChecksumEntry> kept;
  kept.reserve(list->entries.size());
  for (ChecksumEntry& e : list->entries) {
    if (e.needs_digest) {
      auto found = digests.by_path.find(std::string(e.path));
      if (found == digests.by_path.end()) {
        *messages += "  warning: " + std::string(label) + ": no SHA-256 for " +
                     std::string(e.path) + why;
        ++list->left_out;
        continue;
      }
      e.checksum = list->storage.emplace_back(hex_text(found->second));
      e.needs_digest = false;
    }
    kept.push_back(e);
  }
  list->entries = std::move(kept);
  list->needs_digests = false;
}

ChecksumLines build_lines(const ChecksumList& list) {
  constexpr std::string_view kSeparator = " sha256=";
  ChecksumLines result;
  size_t bytes = 0;
  size_t count = 0;
  for (const ChecksumEntry& e : list.entries) {
    if (!e.needs_digest) {
      bytes += e.path.size() + kSeparator.size() + e.checksum.size() + 1;
      ++count;
    }
  }
  result.text.reserve(bytes);
  result.lines.reserve(count);
  for (const ChecksumEntry& e : list.entries) {
    if (e.needs_digest) {
      continue;
    }
    result.text.append(e.path).append(kSeparator).append(e.checksum);
    result.text.push_back('\n');
    result.lines.push_back(
        {result.text.size(), e.path.size(), PathSet::hash(e.path)});
  }
  return result;
}

void write_lines(const ChecksumLines& lines, PathSet* seen_paths,
                 std::FILE* out) {
  // Slots of the path set are scattered over memory; fetching a few
  // lines ahead hides most of the wait.
  constexpr size_t kPrefetchAhead = 8;
  const std::vector<ChecksumLines::Line>& all = lines.lines;
  const char* text = lines.text.data();
  // Lines are written in runs: a package whose paths are all new, the
  // usual case, is one write.
  size_t run_start = 0;
  size_t start = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (i + kPrefetchAhead < all.size()) {
      seen_paths->prefetch(all[i + kPrefetchAhead].path_hash);
    }
    const ChecksumLines::Line& line = all[i];
    if (!seen_paths->insert(std::string_view(text + start, line.path_size),
                            line.path_hash)) {
      std::fwrite(text + run_start, 1, start - run_start, out);
      run_start = line.end;
    }
    start = line.end;
  }
  std::fwrite(text + run_start, 1, start - run_start, out);
}

}  // namespace zps
