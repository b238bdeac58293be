// Both documents written for records built from fuzzed bytes always parse
// as JSON.
#include <stdio.h>
#include <stdlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "packages/manifest_document.h"
#include "sbom/cyclonedx_writer.h"
#include "sbom/spdx_writer.h"

namespace {

// Returns what `write` put into a memory stream.
template <typename Write>
std::string written(Write write) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  write(out);
  fclose(out);
  std::string text(buffer, size);
  free(buffer);
  return text;
}

void require_json(const std::string& text, const char* which) {
  std::string error;
  zps::require(zps::ManifestDocument::parse(text, &error) != nullptr, which);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input's parts between NUL bytes, at most 64.
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0) {
      fields.back() += static_cast<char>(data[i]);
    } else if (fields.size() < 64) {
      fields.emplace_back();
    }
  }
  // Each record takes eleven fields in turn; names stay unique, as the
  // driver keeps them.
  std::vector<zps::PackageRecord> records;
  for (size_t i = 0; i + 11 <= fields.size(); i += 11) {
    zps::PackageRecord r;
    r.name = fields[i] + "#" + std::to_string(i);
    r.version = fields[i + 1];
    r.desc = fields[i + 2];
    r.www = fields[i + 3];
    r.maintainer = fields[i + 4];
    r.origin = fields[i + 5];
    r.licenses = {fields[i + 6], fields[i + 7]};
    r.deps = {fields[i + 8], records.empty() ? r.name : records[0].name};
    r.vcs_url = fields[i + 9];
    r.purl = fields[i + 10];
    r.source_distributions = {{fields[i + 9], fields[i + 10]}};
    records.push_back(std::move(r));
  }
  const std::string product = fields.empty() ? "" : fields.back();
  require_json(written([&](FILE* out) {
                 zps::write_spdx(out, product, "2026-01-01T00:00:00Z", records);
               }),
               "the SPDX document is JSON");
  const zps::CycloneDxProduct cdx{.name = product,
                                  .version = product,
                                  .manufacturer = product,
                                  .attack_surface = product,
                                  .security_function = product};
  require_json(written([&](FILE* out) {
                 zps::write_cyclonedx(out, cdx, "2026-01-01T00:00:00Z",
                                      records);
               }),
               "the CycloneDX document is JSON");
  return 0;
}
