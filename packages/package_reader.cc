#include "packages/package_reader.h"

#include <string_view>
#include <vector>

#include "base/paths.h"
#include "packages/manifest_document.h"
#include "packages/package_archive.h"
#include "packages/repository_scan.h"
#include "packages/verbose.h"

namespace zps {
namespace {

// Returns the manifest document of `text`, or nullptr after reporting the
// parse error.
std::unique_ptr<ManifestDocument> parse_manifest(std::string text,
                                                 std::string_view label,
                                                 std::string* messages) {
  std::string error;
  std::unique_ptr<ManifestDocument> doc =
      ManifestDocument::parse(std::move(text), &error);
  if (doc == nullptr) {
    *messages +=
        "  UCL parse error (" + std::string(label) + "): " + error + "\n";
    return nullptr;
  }
  if (verbose) {
    *messages += "  [verbose] " + std::string(label) + " keys:";
    for (const ManifestMember& m : doc->root().members()) {
      *messages += ' ';
      *messages += m.key;
    }
    *messages += '\n';
  }
  return doc;
}

PackageResult read_archive(std::unique_ptr<PackageArchive> archive,
                           const std::string& reason,
                           std::string_view file_name, bool wants_record) {
  PackageResult result;
  const std::string_view label = package_label(file_name);
  if (archive == nullptr) {
    result.messages +=
        "  skip (cannot open): " + std::string(label) + ": " + reason + "\n";
    result.problems = 1;
    return result;
  }
  std::string text;
  const ManifestSearch search = archive->read_manifest(&text);
  result.problems = search == ManifestSearch::kFound ? 0 : 1;
  switch (search) {
    case ManifestSearch::kFound:
      break;
    case ManifestSearch::kAbsent:
      result.messages +=
          "  warning: no +MANIFEST in " + quoted_path(file_name) + "\n";
      return result;
    case ManifestSearch::kTooLarge:
      result.messages += "  skip (+MANIFEST larger than " +
                         std::to_string(kMaxManifestBytes) +
                         " bytes): " + std::string(label) + "\n";
      return result;
    case ManifestSearch::kCannotHold:
      result.messages += "  skip (not enough memory for its +MANIFEST): " +
                         std::string(label) + "\n";
      return result;
    case ManifestSearch::kSearchTooLong:
      result.messages += "  skip (no +MANIFEST in the first " +
                         std::to_string(kMaxManifestSearchBytes) +
                         " bytes): " + std::string(label) + "\n";
      return result;
  }
  result.counted = true;
  const std::unique_ptr<ManifestDocument> document =
      parse_manifest(std::move(text), label, &result.messages);
  if (document == nullptr) {
    result.problems = 1;
    return result;
  }
  const ManifestValue root = document->root();
  ChecksumList checksums = collect_checksums(root, label, &result.messages);
  if (checksums.needs_digests) {
    // The archive is still open past its manifest: the members that follow
    // it are hashed in the same pass, those the list needs only.
    std::vector<std::string_view> needed;
    for (const ChecksumEntry& e : checksums.entries) {
      if (e.needs_digest) {
        needed.push_back(e.path);
      }
    }
    resolve_digests(&checksums, archive->digest_members(needed), label,
                    &result.messages);
  }
  // A result may wait for its turn to be written while others are read:
  // it keeps only its lines, not the whole manifest.
  result.checksums = build_lines(checksums);
  result.problems += checksums.left_out;
  if (wants_record) {
    std::string cut;
    bool cpe_refused = false;
    result.record = build_package_record(root, &cut, &cpe_refused);
    if (!cut.empty()) {
      cut.resize(cut.size() - 2);  // the last ", "
      result.messages += "  warning: " + std::string(label) +
                         ": SBOM record cut to its bounds: " + cut + "\n";
    }
    // Not a problem for --strict: the package is described in full, only
    // without an identifier it never had in a usable form.
    if (cpe_refused) {
      result.messages += "  warning: " + std::string(label) +
                         ": the cpe annotation is not a CPE 2.3 name\n";
    }
  }
  return result;
}

}  // namespace

PackageResult read_package(const std::string& path, bool wants_record) {
  std::string reason;
  std::unique_ptr<PackageArchive> archive =
      PackageArchive::open_file(path, &reason);
  return read_archive(std::move(archive), reason, file_name(path),
                      wants_record);
}

PackageResult read_package_bytes(std::string_view bytes,
                                 std::string_view file_name,
                                 bool wants_record) {
  std::string reason;
  std::unique_ptr<PackageArchive> archive =
      PackageArchive::open_memory(bytes, &reason);
  return read_archive(std::move(archive), reason, file_name, wants_record);
}

}  // namespace zps
