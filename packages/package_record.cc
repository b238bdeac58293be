#include "packages/package_record.h"

#include <optional>

#include "packages/cpe.h"
#include "packages/pkg_encoding.h"

namespace zps {
namespace {

std::string string_member(const ManifestValue& object, std::string_view key) {
  std::optional<ManifestValue> value = object.lookup(key);
  if (!value) {
    return {};
  }
  return std::string(value->string().value_or(std::string_view()));
}

// Cuts `text` to at most `max_bytes`, before any UTF-8 sequence the cut
// would split; names `field` in `*cut` when it cuts.
void bound_text(std::string* text, size_t max_bytes, std::string_view field,
                std::string* cut) {
  if (text->size() <= max_bytes) {
    return;
  }
  size_t end = max_bytes;
  for (size_t back = 0;
       back < 3 && end > 0 &&
       (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80;
       ++back) {
    --end;
  }
  text->resize(end);
  *cut +=
      std::string(field) + " (first " + std::to_string(max_bytes) + " bytes), ";
}

}  // namespace

PackageRecord build_package_record(const ManifestValue& root, std::string* cut,
                                   bool* cpe_refused) {
  std::string ignored;
  cut = cut != nullptr ? cut : &ignored;
  PackageRecord record;
  record.name = string_member(root, "name");
  record.version = string_member(root, "version");
  // The package tool writes bytes 0x80-0xFF and "%" of the description
  // %-encoded.
  record.desc = percent_decode(string_member(root, "desc"));
  record.www = string_member(root, "www");
  record.maintainer = string_member(root, "maintainer");
  record.origin = string_member(root, "origin");
  if (std::optional<ManifestValue> licenses = root.lookup("licenses")) {
    bool more = false;
    for (std::string_view license : licenses->list_strings(
             kMaxRecordLicenses, kMaxRecordLicenseBytes, &more)) {
      record.licenses.emplace_back(license);
    }
    if (more) {
      *cut += "licenses (first " + std::to_string(kMaxRecordLicenses) +
              " values, " + std::to_string(kMaxRecordLicenseBytes) +
              " bytes), ";
    }
  }
  if (std::optional<ManifestValue> deps = root.lookup("deps")) {
    bool more = false;
    size_t bytes = 0;
    for (const ManifestMember& dep : deps->members(kMaxRecordDeps, &more)) {
      if (dep.key.size() > kMaxRecordDepBytes - bytes) {
        more = true;
        break;
      }
      bytes += dep.key.size();
      record.deps.emplace_back(dep.key);
    }
    if (more) {
      *cut += "deps (first " + std::to_string(kMaxRecordDeps) + " values, " +
              std::to_string(kMaxRecordDepBytes) + " bytes), ";
    }
  }
  if (std::optional<ManifestValue> annotations = root.lookup("annotations")) {
    record.ports_top_git_hash =
        string_member(*annotations, "ports_top_git_hash");
    // A CPE cut to a bound would name another product or version, so a
    // long one is refused whole.
    const std::string cpe = string_member(*annotations, "cpe");
    std::optional<std::string> formatted;
    if (cpe.size() <= kMaxRecordTextBytes) {
      formatted = cpe23_formatted_string(cpe);
    }
    if (formatted) {
      record.cpe = std::move(*formatted);
    } else if (!cpe.empty() && cpe_refused != nullptr) {
      *cpe_refused = true;
    }
  }
  struct Bound {
    std::string* field;
    const char* name;
    size_t max_bytes;
  };
  for (const Bound& b :
       {Bound{&record.name, "name", kMaxRecordTextBytes},
        {&record.version, "version", kMaxRecordVersionBytes},
        {&record.www, "www", kMaxRecordTextBytes},
        {&record.maintainer, "maintainer", kMaxRecordTextBytes},
        {&record.origin, "origin", kMaxRecordTextBytes},
        {&record.ports_top_git_hash, "ports_top_git_hash", kMaxRecordTextBytes},
        {&record.desc, "desc", kMaxRecordDescBytes}}) {
    bound_text(b.field, b.max_bytes, b.name, cut);
  }
  return record;
}

}  // namespace zps
