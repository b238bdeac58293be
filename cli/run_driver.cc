#include "cli/run_driver.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "packages/checksum_list.h"
#include "packages/manifest_parser.h"
#include "packages/manifest_reader.h"
#include "packages/package_record.h"
#include "packages/path_set.h"
#include "packages/paths.h"
#include "packages/repository_scan.h"
#include "provenance/origin_defaults.h"
#include "provenance/upstream_refs.h"
#include "sbom/sbom_stage.h"

namespace zps {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

constexpr uint64_t kProgressEvery = 500;
constexpr size_t kOutputBufferBytes = 1 << 16;

void write_err(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
}

// The run-wide state that outlives one package.
struct RunState {
  std::FILE* out = nullptr;
  bool wants_records = false;
  bool wants_provenance = false;
  ProvenanceSettings provenance;
  PathSet seen_paths;
  std::unordered_set<std::string> seen_names;
  std::vector<PackageRecord> records;
  uint64_t package_total = 0;
  uint64_t checksum_count = 0;
};

// Keeps `record` when it has a name not seen before: the first package of a
// name stands for it in the SBOM documents.
void accept_record(PackageRecord record, RunState* state) {
  if (record.name.empty() || !state->seen_names.insert(record.name).second) {
    return;
  }
  if (state->wants_provenance) {
    derive_upstream_refs(&record, state->provenance);
  }
  state->records.push_back(std::move(record));
}

// Reads, lists and counts one package. Returns true when its manifest text
// was read, so that it counts as processed.
bool process_package(const std::string& package_path, RunState* state) {
  const std::string_view label = package_label(package_path);
  // The archive stays open past its manifest: sums that are not SHA-256
  // are replaced by digests of the members that follow it.
  std::unique_ptr<PackageArchive> archive =
      PackageArchive::open_file(package_path, stderr);
  std::string text =
      archive != nullptr ? archive->read_manifest(label, stderr) : "";
  if (text.empty()) {
    write_err("  warning: no +MANIFEST in " +
              quoted_path(file_name(package_path)) + "\n");
    return false;
  }
  // The entries borrow from the document, so it lives until they are
  // written.
  std::unique_ptr<ManifestDocument> doc =
      parse_manifest(std::move(text), label, stderr);
  ChecksumList list;
  if (doc != nullptr) {
    list = collect_checksums(doc->root(), label, stderr);
  }
  if (list.needs_digests) {
    resolve_digests(&list, archive->digest_remaining_members(), label, stderr);
  }
  write_checksums(list.entries, &state->seen_paths, state->out);
  // The record comes from the same parse as the checksum entries; a
  // manifest that did not parse gives no record.
  if (state->wants_records && doc != nullptr) {
    accept_record(build_package_record(doc->root()), state);
  }
  state->checksum_count += list.entries.size();
  return true;
}

// Scans one repository argument. Returns false, after reporting it, when
// its scan directory is not a directory or cannot be listed.
bool process_repository(const std::string& repo_dir, RunState* state) {
  std::string scan_dir = resolve_repo_dir(repo_dir);
  if (!is_directory(scan_dir)) {
    write_err("Error: " + quoted_path(scan_dir) + " is not a directory\n");
    return false;
  }
  std::optional<std::vector<std::string>> packages =
      list_packages(scan_dir, stderr);
  if (!packages) {
    return false;
  }
  uint64_t package_count = 0;
  for (const std::string& package_path : *packages) {
    if (!process_package(package_path, state)) {
      continue;
    }
    ++package_count;
    if (package_count % kProgressEvery == 0) {
      write_err("  processed " + std::to_string(package_count) + "/" +
                std::to_string(packages->size()) + " packages (" +
                std::to_string(state->checksum_count) + " files)...\n");
    }
  }
  state->package_total += package_count;
  return true;
}

// Flushes and, for a file, closes the checksum output. Returns false, after
// reporting it, when any write to it failed.
bool finish_output(UniqueFile owned, const std::string& output_path) {
  std::FILE* out = owned != nullptr ? owned.get() : stdout;
  bool ok = std::fflush(out) == 0 && std::ferror(out) == 0;
  if (owned != nullptr) {
    ok = std::fclose(owned.release()) == 0 && ok;
  }
  if (!ok) {
    write_err(
        "Error: cannot write output file " +
        (output_path.empty() ? std::string("standard output") : output_path) +
        "\n");
  }
  return ok;
}

}  // namespace

int run_driver(RunOptions options) {
  UniqueFile owned;
  if (!options.output_path.empty()) {
    owned.reset(std::fopen(options.output_path.c_str(), "wb"));
    if (owned == nullptr) {
      write_err("Error: cannot open output file " + options.output_path + "\n");
      return 1;
    }
  }
  const SbomSettings sbom{options.sbom_spdx_path, options.sbom_cyclonedx_path,
                          options.app_name,       options.repo_dirs,
                          options.app_version,    options.manufacturer,
                          options.attack_surface, options.security_function};
  RunState state;
  state.out = owned != nullptr ? owned.get() : stdout;
  state.wants_records = wants_sbom(sbom);
  state.wants_provenance = !options.sbom_cyclonedx_path.empty();
  state.provenance = {options.ports_tree, options.internal_vcs_url,
                      options.base_vcs_url, options.base_vcs_ref,
                      options.distfiles_dir};
  // The ports-tree defaults feed only the CycloneDX document's references,
  // so without one no git child is started for them.
  if (state.wants_provenance) {
    std::error_code ec;
    apply_ports_tree_defaults(&state.provenance,
                              std::filesystem::current_path(ec).string());
  }
  // glibc ignores the size unless it is handed the buffer too. Static, so
  // that it outlives standard output, which the C library flushes at exit.
  static char output_buffer[kOutputBufferBytes];
  std::setvbuf(state.out, output_buffer, _IOFBF, sizeof output_buffer);

  for (const std::string& repo_dir : options.repo_dirs) {
    if (!process_repository(repo_dir, &state)) {
      finish_output(std::move(owned), options.output_path);
      return 1;
    }
  }
  write_err("Done: " + std::to_string(state.package_total) + " packages, " +
            std::to_string(state.checksum_count) +
            " file checksums written.\n");
  int status = run_sbom_stage(sbom, state.records, stderr);
  if (!finish_output(std::move(owned), options.output_path)) {
    status = 1;
  }
  return status;
}

}  // namespace zps
