#include "cli/run_driver.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/files.h"
#include "base/keyed_hash.h"
#include "base/ordered_work.h"
#include "base/output.h"
#include "base/paths.h"
#include "base/platform.h"
#include "cli/verify_driver.h"
#include "cli/vulnerability_check.h"
#include "packages/checksum_list.h"
#include "packages/package_reader.h"
#include "packages/package_record.h"
#include "packages/path_set.h"
#include "packages/repository_scan.h"
#include "provenance/provenance_settings.h"
#include "provenance/upstream_refs.h"
#include "sbom/json_text.h"
#include "sbom/sbom_stage.h"

namespace zps {
namespace {

constexpr uint64_t kProgressEvery = 500;

// Packages read ahead of the one being written, per worker: enough to keep
// every worker busy while one package is slow (one whose members are
// hashed takes ten times one that is not), few enough that memory does not
// grow with the repository (a waiting result holds its messages, lines and
// record, not its manifest).
constexpr size_t kPackagesAheadPerJob = 16;

void write_err(std::string_view text) {
  write_text(stderr, text);
}

// The run-wide state that outlives one package.
struct RunState {
  std::FILE* out = nullptr;
  unsigned jobs = 1;
  bool wants_records = false;  // for the documents or the VuXML check
  bool keeps_records = false;  // for the documents
  bool wants_provenance = false;
  std::unique_ptr<VulnerabilityCheck> vulnerabilities;  // with --vuxml
  ProvenanceSettings provenance;
  PathSet seen_paths;
  std::unordered_set<std::string, KeyedHash> seen_names;
  std::vector<PackageRecord> records;
  std::vector<std::string> record_labels;  // the package of each record
  uint64_t package_total = 0;
  uint64_t checksum_count = 0;
  uint64_t problems = 0;  // packages, entries and distfiles left out
};

// Checks `record` against the VuXML advisories, if any, and keeps it for
// the documents when it has a name not seen before: the first package of a
// name stands for it in the SBOM documents.
void accept_record(PackageRecord record, std::string_view label,
                   RunState* state) {
  const bool is_component =
      !record.name.empty() && state->seen_names.insert(record.name).second;
  if (state->vulnerabilities != nullptr) {
    state->vulnerabilities->check(label, record,
                                  is_component && state->keeps_records, stderr);
  }
  if (!is_component || !state->keeps_records) {
    return;
  }
  state->records.push_back(std::move(record));
  state->record_labels.emplace_back(label);
}

// Lists and counts one package that a worker has read, and reports its
// messages. Returns true when its manifest text was read, so that it counts
// as processed.
bool commit_package(PackageResult package, std::string_view label,
                    RunState* state) {
  write_err(package.messages);
  write_lines(package.checksums, &state->seen_paths, state->out);
  state->checksum_count += package.checksums.lines.size();
  state->problems += package.problems;
  if (package.record) {
    accept_record(std::move(*package.record), label, state);
  }
  return package.counted;
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
  // Workers read the packages; this thread writes each one's lines and
  // messages in the order of the list, so the output is that of one thread.
  run_ordered(
      packages->size(), state->jobs, state->jobs * kPackagesAheadPerJob,
      [&](size_t i) {
        return read_package((*packages)[i], state->wants_records);
      },
      [&](size_t i, PackageResult package) {
        if (!commit_package(std::move(package),
                            package_label(file_name((*packages)[i])), state)) {
          return;
        }
        ++package_count;
        if (package_count % kProgressEvery == 0) {
          write_err("  processed " + std::to_string(package_count) + "/" +
                    std::to_string(packages->size()) + " packages (" +
                    std::to_string(state->checksum_count) + " files)...\n");
        }
      });
  state->package_total += package_count;
  return true;
}

// Fills in the source references of every record, on the run's workers:
// each record's own make query and distfile hashes. Their warnings are
// written in the order of the records, each a problem left out.
void derive_all_upstream_refs(RunState* state) {
  std::vector<PackageRecord>& records = state->records;
  run_ordered(
      records.size(), state->jobs, state->jobs * kPackagesAheadPerJob,
      [&](size_t i) {
        std::string messages;
        derive_upstream_refs(&records[i], state->record_labels[i],
                             state->provenance, &messages);
        return messages;
      },
      [&](size_t, const std::string& messages) {
        write_err(messages);
        state->problems += static_cast<uint64_t>(
            std::count(messages.begin(), messages.end(), '\n'));
      });
}

// Returns the path of an output that names the same file as an earlier
// one (-o, then --sbom-spdx, then --sbom-cyclonedx), or nothing.
std::optional<std::string> shared_output(const RunOptions& options) {
  std::vector<const std::string*> paths;
  for (const std::string* path : {&options.output_path, &options.sbom_spdx_path,
                                  &options.sbom_cyclonedx_path}) {
    if (path->empty()) {
      continue;
    }
    for (const std::string* earlier : paths) {
      if (names_same_file(*earlier, *path)) {
        return *path;
      }
    }
    paths.push_back(path);
  }
  return std::nullopt;
}

}  // namespace

int run_driver(const RunOptions& options) {
  if (!options.verify_list.empty()) {
    return run_verify(options);
  }
  // Reproducible documents: every timestamp is the one the environment
  // gives, and a value that is no time ends the run before it starts.
  std::string timestamp;
  if (const char* epoch = getenv("SOURCE_DATE_EPOCH")) {
    std::optional<std::string> time = epoch_timestamp(epoch);
    if (!time) {
      write_err(std::string("Error: SOURCE_DATE_EPOCH is not a number of "
                            "seconds: ") +
                epoch + "\n");
      return 1;
    }
    timestamp = std::move(*time);
  }
  // Before anything is opened: two outputs in one file would mix.
  if (std::optional<std::string> path = shared_output(options)) {
    write_err("Error: the same file is named for two outputs: " + *path + "\n");
    return 1;
  }
  // A database that cannot be read ends the run before any output.
  std::unique_ptr<VulnerabilityCheck> vulnerabilities;
  if (!options.vuxml_path.empty()) {
    vulnerabilities = VulnerabilityCheck::load(options.vuxml_path, stderr);
    if (vulnerabilities == nullptr) {
      return 1;
    }
  }
  install_output_cleanup();
  tune_allocator();
  std::unique_ptr<OutputStream> out =
      options.output_path.empty()
          ? OutputStream::standard_output()
          : OutputStream::open_file(options.output_path);
  if (out == nullptr) {
    write_err("Error: cannot open output file " + options.output_path + "\n");
    return 1;
  }
  const SbomSettings sbom{
      .spdx_path = options.sbom_spdx_path,
      .cyclonedx_path = options.sbom_cyclonedx_path,
      .app_name = options.app_name,
      .repo_dirs = options.repo_dirs,
      .app_version = options.app_version,
      .manufacturer = options.manufacturer,
      .attack_surface = options.attack_surface,
      .security_function = options.security_function,
      .cyclonedx_version = options.cyclonedx_version,
      .timestamp = timestamp,
      .tool_version = ZPS_VERSION,
  };
  RunState state;
  state.out = out->get();
  state.jobs = options.jobs > 0 ? options.jobs : usable_cpu_count();
  state.keeps_records = wants_sbom(sbom);
  state.wants_records = state.keeps_records || vulnerabilities != nullptr;
  state.vulnerabilities = std::move(vulnerabilities);
  state.wants_provenance = state.keeps_records;
  state.provenance = {
      .ports_tree = options.ports_tree,
      .internal_vcs_url = options.internal_vcs_url,
      .base_vcs_url = options.base_vcs_url,
      .base_vcs_ref = options.base_vcs_ref,
      .distfiles_dir = options.distfiles_dir,
  };
  // The ports-tree defaults feed only the documents' references, so
  // without one no git child is started for them.
  if (state.wants_provenance) {
    std::error_code ec;
    apply_ports_tree_defaults(&state.provenance,
                              std::filesystem::current_path(ec).string());
  }

  for (const std::string& repo_dir : options.repo_dirs) {
    if (!process_repository(repo_dir, &state)) {
      // An output file is not put in place unfinished; on standard
      // output the lines already written stay whole.
      out->abandon();
      return 1;
    }
  }
  if (state.wants_provenance) {
    derive_all_upstream_refs(&state);
  }
  write_err("Done: " + std::to_string(state.package_total) + " packages, " +
            std::to_string(state.checksum_count) +
            " file checksums written.\n");
  std::vector<CycloneDxVulnerability> vulnerability_entries;
  if (state.vulnerabilities != nullptr) {
    write_err(state.vulnerabilities->summary(state.package_total));
    std::vector<std::string_view> component_refs;
    for (const PackageRecord& r : state.records) {
      component_refs.push_back(r.name);
    }
    vulnerability_entries =
        state.vulnerabilities->cyclonedx_entries(component_refs);
  }
  // Every output is written in full before any is put in place, so a run
  // that fails to write one leaves all of them as they were.
  std::vector<CompletedDocument> documents;
  int status = run_sbom_stage(
      sbom, state.records, stderr, &documents,
      state.vulnerabilities != nullptr ? &vulnerability_entries : nullptr);
  if (!complete_output(out.get(), options.output_path)) {
    status = 1;
  }
  if (status == 0) {
    for (CompletedDocument& document : documents) {
      if (put_output_in_place(document.file.get(),
                              document.file->final_path())) {
        write_err(document.report);
      } else {
        status = 1;
      }
    }
    if (!put_output_in_place(out.get(), options.output_path)) {
      status = 1;
    }
  }
  if (options.strict && state.problems > 0) {
    write_err("Error: strict: " + std::to_string(state.problems) +
              " problems (see the messages above)\n");
    status = 1;
  }
  if (options.fail_on_vulnerable &&
      state.vulnerabilities->affected_packages() > 0) {
    write_err(
        "Error: " + std::to_string(state.vulnerabilities->affected_packages()) +
        " packages affected by known vulnerabilities (see the messages "
        "above)\n");
    status = 1;
  }
  return status;
}

}  // namespace zps
