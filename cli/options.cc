#include "cli/options.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/output.h"
#include "packages/package_record.h"
#include "packages/verbose.h"

namespace zps {
namespace {

constexpr std::string_view kUsageTail[] = {
    "",
    "Scans all .pkg files in each <repo-dir> (or <repo-dir>/All/),",
    "extracts +MANIFEST from each package, and outputs",
    "SHA256 checksums of every executable file listed in the manifests.",
    "",
    "Options:",
    "  -r, --repo DIR        Add a repository directory (repeatable)",
    "  -o, --output FILE     Write checksums to FILE instead of stdout",
    "  --sbom-spdx FILE      Generate SBOM in SPDX 2.3 JSON format",
    "  --sbom-cyclonedx FILE  Generate SBOM in CycloneDX 1.6 JSON format",
    "  --cyclonedx-version VER  CycloneDX version to write: 1.6 (default) or 1.7",
    "  --app-name NAME       Product name for the SBOM document/metadata",
    "  --app-version VER     Product version (metadata.component.version)",
    "  --manufacturer NAME   Manufacturer org name (metadata.component.manufacturer)",
    "  --ports-tree DIR      Ports tree to derive upstream VCS refs for",
    "                        borrowed components (CycloneDX externalReferences,",
    "                        SPDX downloadLocation)",
    "  --attack-surface VAL  Default GOST:attack_surface value (yes|no|indirect; default no)",
    "  --security-function VAL  Default GOST:security_function value (yes|no|indirect; default no)",
    "  --internal-vcs-url URL  Base web URL of the internal repo for Zelkor/* components",
    "                        (default: origin remote of --ports-tree)",
    "  --base-vcs-url URL    Web URL of the FreeBSD base src repo (origin=base)",
    "  --base-vcs-ref REF    Commit/tag/branch of the base build for --base-vcs-url",
    "  --distfiles DIR       Distfiles dir; for borrowed tarball components without a",
    "                        VCS, emit source-distribution refs with Streebog-256 of",
    "                        the local distfile (default: <ports-tree>/distfiles)",
    "  -j, --jobs N          Read packages and query ports on N threads",
    "                        (default: the number of usable CPUs; output is the same)",
    "  --strict              Exit 1 when a package, file entry or distfile was left out",
    "  --vuxml FILE          Check the packages against FreeBSD's VuXML advisories",
    "                        (plain, xz, gzip, bzip2 or zstd); matches go to stderr",
    "                        and the CycloneDX vulnerabilities",
    "  --fail-on-vulnerable  Exit 1 when --vuxml finds an affected package",
    "  --verify LIST         Check the files a checksum list names, beneath --root DIR",
    "  --root DIR            The root the listed paths are in (/ for this system)",
    "  -v, --verbose         Print diagnostic info to stderr",
    "  -h, --help            Show this help",
    "  --version             Print the version and exit",
    "",
    "Output format:",
    "  <file-path> sha256=<checksum>",
};

// An option that takes a value, and the field the value goes to.
struct ValueOption {
  std::string_view short_name;  // empty when the option has none
  std::string_view long_name;
  std::string RunOptions::*field;
};

constexpr ValueOption kValueOptions[] = {
    {"-r", "--repo", nullptr},  // appends to repo_dirs instead
    {"-o", "--output", &RunOptions::output_path},
    {"", "--sbom-spdx", &RunOptions::sbom_spdx_path},
    {"", "--sbom-cyclonedx", &RunOptions::sbom_cyclonedx_path},
    {"", "--app-name", &RunOptions::app_name},
    {"", "--app-version", &RunOptions::app_version},
    {"", "--manufacturer", &RunOptions::manufacturer},
    {"", "--ports-tree", &RunOptions::ports_tree},
    {"", "--attack-surface", &RunOptions::attack_surface},
    {"", "--security-function", &RunOptions::security_function},
    {"", "--internal-vcs-url", &RunOptions::internal_vcs_url},
    {"", "--base-vcs-url", &RunOptions::base_vcs_url},
    {"", "--base-vcs-ref", &RunOptions::base_vcs_ref},
    {"", "--distfiles", &RunOptions::distfiles_dir},
    {"", "--cyclonedx-version", &RunOptions::cyclonedx_version},
    {"", "--verify", &RunOptions::verify_list},
    {"", "--root", &RunOptions::verify_root},
    {"", "--vuxml", &RunOptions::vuxml_path},
};

const ValueOption* find_value_option(std::string_view word) {
  for (const ValueOption& o : kValueOptions) {
    if (word == o.long_name ||
        (!o.short_name.empty() && word == o.short_name)) {
      return &o;
    }
  }
  return nullptr;
}

// The most worker threads a run starts; more would only wait.
constexpr unsigned kMaxJobs = 1024;

// Reads a job count: a positive decimal number, digits only, taken as
// kMaxJobs when larger.
std::optional<unsigned> parse_jobs(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'),
                               kMaxJobs);
  }
  if (value == 0) {
    return std::nullopt;
  }
  return static_cast<unsigned>(value);
}

}  // namespace

void print_usage(std::string_view program, std::FILE* err) {
  write_text(err, "Usage: ");
  write_text(err, program);
  write_text(err, " [-r <repo-dir>]... [<repo-dir>...] [options]\n");
  write_text(err, "       ");
  write_text(err, program);
  write_text(err, " --verify LIST --root DIR [-o REPORT] [-j N]\n");
  for (std::string_view line : kUsageTail) {
    write_text(err, line);
    write_text(err, "\n");
  }
}

std::optional<int> parse_command_line(int argc, const char* const* argv,
                                      RunOptions* options, std::FILE* err) {
  std::string_view program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  if (argc <= 1) {
    print_usage(program, err);
    return 1;
  }
  RunOptions parsed;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (const ValueOption* option = find_value_option(word)) {
      if (i + 1 >= argc) {
        write_text(err, "Unknown option: " + std::string(word) + "\n");
        print_usage(program, err);
        return 1;
      }
      std::string value = argv[++i];
      if (option->field == nullptr) {
        parsed.repo_dirs.push_back(std::move(value));
      } else {
        parsed.*(option->field) = std::move(value);
      }
    } else if (word == "-j" || word == "--jobs") {
      std::optional<unsigned> jobs =
          i + 1 < argc ? parse_jobs(argv[i + 1]) : std::nullopt;
      if (!jobs) {
        write_text(err,
                   i + 1 < argc
                       ? "Invalid job count: " + std::string(argv[i + 1]) + "\n"
                       : "Unknown option: " + std::string(word) + "\n");
        print_usage(program, err);
        return 1;
      }
      parsed.jobs = *jobs;
      ++i;
    } else if (word == "-v" || word == "--verbose") {
      parsed.verbose = true;
    } else if (word == "-h" || word == "--help") {
      print_usage(program, err);
      return 0;
    } else if (word == "--version") {
      write_text(stdout, "zelkor-pkg-sign " ZPS_VERSION "\n");
      return 0;
    } else if (word == "--strict") {
      parsed.strict = true;
    } else if (word == "--fail-on-vulnerable") {
      parsed.fail_on_vulnerable = true;
    } else if (word.empty() || word.front() != '-') {
      parsed.repo_dirs.emplace_back(word);
    } else {
      write_text(err, "Unknown option: " + std::string(word) + "\n");
      print_usage(program, err);
      return 1;
    }
  }
  if (parsed.cyclonedx_version != "1.6" && parsed.cyclonedx_version != "1.7") {
    write_text(err,
               "Invalid CycloneDX version: " + parsed.cyclonedx_version + "\n");
    print_usage(program, err);
    return 1;
  }
  // The product version goes only into the CycloneDX document, whose
  // schemas bound a version as a package's is bounded.
  if (parsed.app_version.size() > kMaxRecordVersionBytes) {
    write_text(err, "Invalid application version: longer than " +
                        std::to_string(kMaxRecordVersionBytes) + " bytes\n");
    print_usage(program, err);
    return 1;
  }
  if (!parsed.verify_list.empty() || !parsed.verify_root.empty()) {
    const char* problem =
        parsed.verify_list.empty()   ? "--root goes with --verify LIST"
        : parsed.verify_root.empty() ? "--verify needs --root DIR"
        : !parsed.repo_dirs.empty()  ? "--verify takes no repository"
        : !parsed.vuxml_path.empty() || parsed.fail_on_vulnerable
            ? "--verify takes no --vuxml"
            : nullptr;
    if (problem != nullptr) {
      write_text(err, std::string("Error: ") + problem + "\n");
      print_usage(program, err);
      return 1;
    }
    verbose = parsed.verbose;
    *options = std::move(parsed);
    return std::nullopt;
  }
  if (parsed.repo_dirs.empty()) {
    print_usage(program, err);
    return 1;
  }
  if (parsed.fail_on_vulnerable && parsed.vuxml_path.empty()) {
    write_text(err, "Error: --fail-on-vulnerable needs --vuxml FILE\n");
    print_usage(program, err);
    return 1;
  }
  verbose = parsed.verbose;
  *options = std::move(parsed);
  return std::nullopt;
}

}  // namespace zps
