#include "sbom/sbom_stage.h"

#include <stdio.h>
#include <stdlib.h>

#include "base/output.h"
#include "base/uuid.h"
#include "sbom/cyclonedx_writer.h"
#include "sbom/json_text.h"
#include "sbom/spdx_writer.h"

namespace zps {
namespace {

// The namespace of the serial numbers derived from a CycloneDX document's
// text, aa4dd474-916f-42e6-a736-b7589459d030: a random UUID of this tool's
// own, so no other tool's names collide with its documents.
constexpr std::string_view kSerialNamespace =
    "\xaa\x4d\xd4\x74\x91\x6f\x42\xe6\xa7\x36\xb7\x58\x94\x59\xd0\x30";
constexpr std::string_view kUrnUuid = "urn:uuid:";

// The text open_memstream collects; its stream is closed before the text is
// read.
struct MemoryText {
  char* data = nullptr;
  size_t size = 0;
  ~MemoryText() { free(data); }
};

// The messages about one kind of document, each followed by the path.
struct DocumentMessages {
  std::string_view open_failed;
  std::string_view write_failed;
  std::string_view written;  // before "<n> packages written to <path>"
};
constexpr DocumentMessages kSpdxMessages = {
    "Error: cannot open SBOM output file ",
    "Error: cannot write SBOM output file ", "SPDX SBOM: "};
constexpr DocumentMessages kCycloneDxMessages = {
    "Error: cannot open CycloneDX output file ",
    "Error: cannot write CycloneDX output file ", "CycloneDX SBOM: "};

// Writes one document to the file `path` by calling `write` with the
// stream and `timestamp`, or the current time when that is empty, and
// appends it, complete but not yet in place, to `*documents`.
// Returns false, after reporting it, when the file cannot be opened or
// written in full.
template <typename Write>
bool write_document(const std::string& path, const DocumentMessages& messages,
                    size_t count, std::string_view timestamp, Write write,
                    std::FILE* err, std::vector<CompletedDocument>* documents) {
  std::unique_ptr<OutputStream> file = OutputStream::open_file(path);
  if (file == nullptr) {
    write_text(err, std::string(messages.open_failed) + path + "\n");
    return false;
  }
  write(file->get(),
        timestamp.empty() ? utc_timestamp() : std::string(timestamp));
  if (!file->complete()) {
    write_text(err, std::string(messages.write_failed) + path + "\n");
    return false;
  }
  documents->push_back(
      {std::move(file), std::string(messages.written) + std::to_string(count) +
                            " packages written to " + path + "\n"});
  return true;
}

}  // namespace

std::string cyclonedx_serial_number(
    const CycloneDxProduct& product, std::string_view timestamp,
    const std::vector<PackageRecord>& records,
    const std::vector<CycloneDxVulnerability>* vulnerabilities) {
  if (timestamp.empty()) {
    std::optional<std::string> id = random_uuid();
    return id ? std::string(kUrnUuid) + *id : std::string();
  }
  CycloneDxProduct unnumbered = product;
  unnumbered.serial_number.clear();
  MemoryText text;
  std::FILE* stream = open_memstream(&text.data, &text.size);
  if (stream == nullptr) {
    return {};
  }
  write_cyclonedx(stream, unnumbered, timestamp, records, vulnerabilities);
  const bool failed = std::ferror(stream) != 0;
  if (std::fclose(stream) != 0 || failed) {
    return {};
  }
  return std::string(kUrnUuid) +
         name_uuid(kSerialNamespace, std::string_view(text.data, text.size));
}

std::string sbom_product_name(std::string_view app_name,
                              const std::vector<std::string>& repo_dirs) {
  if (!app_name.empty()) {
    return std::string(app_name);
  }
  std::string_view first;
  if (!repo_dirs.empty()) {
    first = repo_dirs.front();
  }
  size_t slash = first.rfind('/');
  std::string_view last =
      slash == std::string_view::npos ? first : first.substr(slash + 1);
  size_t dot = last.rfind('.');
  if (dot != std::string_view::npos && dot != 0 && last != "..") {
    last = last.substr(0, dot);
  }
  std::string name(last);
  if (repo_dirs.size() >= 2) {
    name += "-combined";
  }
  return name;
}

bool wants_sbom(const SbomSettings& settings) {
  return !settings.spdx_path.empty() || !settings.cyclonedx_path.empty();
}

int run_sbom_stage(const SbomSettings& settings,
                   const std::vector<PackageRecord>& records, std::FILE* err,
                   std::vector<CompletedDocument>* documents,
                   const std::vector<CycloneDxVulnerability>* vulnerabilities) {
  if (!wants_sbom(settings)) {
    return 0;
  }
  const std::string product =
      sbom_product_name(settings.app_name, settings.repo_dirs);
  if (!settings.spdx_path.empty() &&
      !write_document(
          settings.spdx_path, kSpdxMessages, records.size(), settings.timestamp,
          [&](std::FILE* out, const std::string& timestamp) {
            write_spdx(out, product, timestamp, settings.tool_version, records);
          },
          err, documents)) {
    return 1;
  }
  if (settings.cyclonedx_path.empty()) {
    return 0;
  }
  CycloneDxProduct cyclonedx{
      .name = product,
      .version = settings.app_version,
      .manufacturer = settings.manufacturer,
      .attack_surface = settings.attack_surface,
      .security_function = settings.security_function,
      .spec_version = settings.cyclonedx_version,
      .tool_version = settings.tool_version,
      .serial_number = {},
  };
  cyclonedx.serial_number = cyclonedx_serial_number(
      cyclonedx, settings.timestamp, records, vulnerabilities);
  if (!write_document(
          settings.cyclonedx_path, kCycloneDxMessages, records.size(),
          settings.timestamp,
          [&](std::FILE* out, const std::string& timestamp) {
            write_cyclonedx(out, cyclonedx, timestamp, records,
                            vulnerabilities);
          },
          err, documents)) {
    return 1;
  }
  return 0;
}

}  // namespace zps
