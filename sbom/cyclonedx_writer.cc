#include "sbom/cyclonedx_writer.h"

#include <unordered_set>

#include "sbom/json_text.h"
#include "sbom/license_map.h"
#include "sbom/output_file.h"

namespace zps {
namespace {

constexpr std::string_view kLicenseRef = "LicenseRef-";

// Writes ",\n      " and then `key` and its string `value`.
void put_member(std::FILE* out, std::string_view key, std::string_view value) {
  put(out, ",\n      \"");
  put(out, key);
  put(out, "\": ");
  put_string(out, value);
}

void put_licenses(std::FILE* out, const std::vector<std::string>& licenses) {
  put(out, ",\n      \"licenses\": [");
  for (size_t i = 0; i < licenses.size(); ++i) {
    put(out, i == 0 ? "" : ", ");
    const std::string id = map_license(licenses[i]);
    // An unknown ports name goes out as a license name, exactly as the
    // manifest spells it, rather than as a made-up identifier.
    if (id.compare(0, kLicenseRef.size(), kLicenseRef) == 0) {
      put(out, "{\"license\": {\"name\": ");
      put_string(out, licenses[i]);
    } else {
      put(out, "{\"license\": {\"id\": ");
      put_string(out, id);
    }
    put(out, "}}");
  }
  put(out, "]");
}

void put_references(std::FILE* out, const PackageRecord& r) {
  put(out, ",\n      \"externalReferences\": [");
  const char* separator = "";
  if (!r.vcs_url.empty()) {
    put(out, "{\"type\": \"vcs\", \"url\": ");
    put_string(out, r.vcs_url);
    put(out, "}");
    separator = ", ";
  }
  for (const SourceDistribution& d : r.source_distributions) {
    put(out, separator);
    put(out, "{\"type\": \"source-distribution\", \"url\": ");
    put_string(out, d.url);
    put(out, ", \"hashes\": [{\"alg\": \"STREEBOG-256\", \"content\": ");
    put_string(out, d.streebog256);
    put(out, "}]}");
    separator = ", ";
  }
  if (!r.www.empty()) {
    put(out, separator);
    put(out, "{\"type\": \"website\", \"url\": ");
    put_string(out, r.www);
    put(out, "}");
  }
  put(out, "]");
}

void put_component(std::FILE* out, const CycloneDxProduct& product,
                   const PackageRecord& r) {
  put(out, "    {\n      \"type\": \"library\",\n      \"bom-ref\": ");
  put_string(out, r.name);
  put(out, ",\n      \"name\": ");
  put_string(out, r.name);
  put(out, ",\n      \"version\": ");
  put_string(out, r.version);
  if (!r.purl.empty()) {
    put_member(out, "purl", r.purl);
  }
  if (!r.desc.empty()) {
    put_member(out, "description", r.desc);
  }
  if (!r.maintainer.empty()) {
    put(out, ",\n      \"supplier\": {\"name\": ");
    put_string(out, r.maintainer);
    put(out, "}");
  }
  if (!r.licenses.empty()) {
    put_licenses(out, r.licenses);
  }
  if (!r.vcs_url.empty() || !r.www.empty() || !r.source_distributions.empty()) {
    put_references(out, r);
  }
  put(out,
      ",\n      \"properties\": [{\"name\": \"GOST:attack_surface\", "
      "\"value\": ");
  put_string(out, product.attack_surface);
  put(out, "}, {\"name\": \"GOST:security_function\", \"value\": ");
  put_string(out, product.security_function);
  put(out, "}]\n    }");
}

}  // namespace

void write_cyclonedx(std::FILE* out, const CycloneDxProduct& product,
                     std::string_view timestamp,
                     const std::vector<PackageRecord>& records) {
  put(out,
      "{\n  \"bomFormat\": \"CycloneDX\",\n  \"specVersion\": \"1.6\",\n"
      "  \"version\": 1,\n  \"metadata\": {\n    \"timestamp\": \"");
  put(out, timestamp);
  put(out,
      "\",\n    \"tools\": {\n      \"components\": [\n"
      "        {\"type\": \"application\", \"name\": \"zelkor-pkg-sign\"}\n"
      "      ]\n    },\n    \"component\": {\n"
      "      \"type\": \"operating-system\",\n      \"name\": ");
  put_string(out, product.name);
  put(out, ",\n      \"version\": ");
  put_string(out, product.version);
  put(out, ",\n      \"manufacturer\": {\"name\": ");
  put_string(out, product.manufacturer);
  put(out, "}\n    }\n  },\n  \"components\": [\n");
  for (size_t i = 0; i < records.size(); ++i) {
    put_component(out, product, records[i]);
    put(out, i + 1 < records.size() ? ",\n" : "\n");
  }
  put(out, "  ],\n  \"dependencies\": [\n");

  std::unordered_set<std::string_view> names;
  for (const PackageRecord& r : records) {
    names.insert(r.name);
  }
  for (size_t i = 0; i < records.size(); ++i) {
    const PackageRecord& r = records[i];
    put(out, i == 0 ? "    {\"ref\": " : ",\n    {\"ref\": ");
    put_string(out, r.name);
    bool listed = false;
    for (const std::string& dep : r.deps) {
      if (names.count(dep) == 0) {
        continue;
      }
      put(out, listed ? ", " : ", \"dependsOn\": [");
      put_string(out, dep);
      listed = true;
    }
    put(out, listed ? "]}" : "}");
  }
  put(out, "\n  ]\n}\n");
}

bool write_cyclonedx_document(const std::string& path,
                              const CycloneDxProduct& product,
                              const std::vector<PackageRecord>& records,
                              std::FILE* err) {
  UniqueFile file = open_output_file(path);
  if (file == nullptr) {
    put(err, "Error: cannot open CycloneDX output file " + path + "\n");
    return false;
  }
  write_cyclonedx(file.get(), product, utc_timestamp(), records);
  if (!close_output_file(std::move(file))) {
    put(err, "Error: cannot write CycloneDX output file " + path + "\n");
    return false;
  }
  return true;
}

}  // namespace zps
