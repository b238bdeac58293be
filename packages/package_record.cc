#include "packages/package_record.h"

#include <optional>

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

}  // namespace

PackageRecord build_package_record(const ManifestValue& root) {
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
    for (const ManifestValue& license : licenses->as_list()) {
      if (std::optional<std::string_view> text = license.string()) {
        record.licenses.emplace_back(*text);
      }
    }
  }
  if (std::optional<ManifestValue> deps = root.lookup("deps")) {
    for (const ManifestMember& dep : deps->members()) {
      record.deps.emplace_back(dep.key);
    }
  }
  if (std::optional<ManifestValue> annotations = root.lookup("annotations")) {
    record.ports_top_git_hash =
        string_member(*annotations, "ports_top_git_hash");
  }
  return record;
}

}  // namespace zps
