#include "sbom/cyclonedx_writer.h"

#include <unordered_set>

#include "base/keyed_hash.h"
#include "base/output.h"
#include "base/url.h"
#include "sbom/json_text.h"
#include "sbom/license_map.h"

namespace zps {
namespace {

constexpr std::string_view kLicenseRef = "LicenseRef-";

// Writes ",\n      " and then `key` and its string `value`.
void put_member(std::FILE* out, std::string_view key, std::string_view value) {
  write_text(out, ",\n      \"");
  write_text(out, key);
  write_text(out, "\": ");
  write_json_string(out, value);
}

void put_licenses(std::FILE* out, const std::vector<std::string>& licenses) {
  write_text(out, ",\n      \"licenses\": [");
  for (size_t i = 0; i < licenses.size(); ++i) {
    write_text(out, i == 0 ? "" : ", ");
    const std::string id = map_license(licenses[i]);
    // An unknown ports name goes out as a license name, exactly as the
    // manifest spells it, rather than as a made-up identifier.
    if (id.compare(0, kLicenseRef.size(), kLicenseRef) == 0) {
      write_text(out, "{\"license\": {\"name\": ");
      write_json_string(out, licenses[i]);
    } else {
      write_text(out, "{\"license\": {\"id\": ");
      write_json_string(out, id);
    }
    write_text(out, "}}");
  }
  write_text(out, "]");
}

void put_references(std::FILE* out, const PackageRecord& r,
                    std::string_view streebog_name) {
  write_text(out, ",\n      \"externalReferences\": [");
  const char* separator = "";
  if (!r.vcs_url.empty()) {
    write_text(out, "{\"type\": \"vcs\", \"url\": ");
    write_json_string(out, r.vcs_url);
    write_text(out, "}");
    separator = ", ";
  }
  for (const SourceDistribution& d : r.source_distributions) {
    write_text(out, separator);
    write_text(out, "{\"type\": \"source-distribution\", \"url\": ");
    write_json_string(out, d.url);
    write_text(out, ", \"hashes\": [{\"alg\": \"");
    write_text(out, streebog_name);
    write_text(out, "\", \"content\": ");
    write_json_string(out, d.streebog256);
    write_text(out, "}]}");
    separator = ", ";
  }
  if (is_absolute_url(r.www)) {
    write_text(out, separator);
    write_text(out, "{\"type\": \"website\", \"url\": ");
    write_json_string(out, r.www);
    write_text(out, "}");
  }
  write_text(out, "]");
}

void put_component(std::FILE* out, const CycloneDxProduct& product,
                   const PackageRecord& r) {
  write_text(out, "    {\n      \"type\": \"library\",\n      \"bom-ref\": ");
  write_json_string(out, r.name);
  write_text(out, ",\n      \"name\": ");
  write_json_string(out, r.name);
  write_text(out, ",\n      \"version\": ");
  write_json_string(out, r.version);
  if (!r.cpe.empty()) {
    put_member(out, "cpe", r.cpe);
  }
  if (!r.purl.empty()) {
    put_member(out, "purl", r.purl);
  }
  if (!r.desc.empty()) {
    put_member(out, "description", r.desc);
  }
  if (!r.maintainer.empty()) {
    write_text(out, ",\n      \"supplier\": {\"name\": ");
    write_json_string(out, r.maintainer);
    write_text(out, "}");
  }
  if (!r.licenses.empty()) {
    put_licenses(out, r.licenses);
  }
  if (!r.vcs_url.empty() || is_absolute_url(r.www) ||
      !r.source_distributions.empty()) {
    put_references(
        out, r,
        product.spec_version == "1.7" ? "Streebog-256" : "STREEBOG-256");
  }
  write_text(out,
             ",\n      \"properties\": [{\"name\": \"GOST:attack_surface\", "
             "\"value\": ");
  write_json_string(out, product.attack_surface);
  write_text(out, "}, {\"name\": \"GOST:security_function\", \"value\": ");
  write_json_string(out, product.security_function);
  write_text(out, "}]\n    }");
}

void put_vulnerability(std::FILE* out, const CycloneDxVulnerability& v) {
  write_text(out, "    {\n      \"bom-ref\": ");
  write_json_string(out, v.bom_ref);
  put_member(out, "id", v.id);
  write_text(out, ",\n      \"source\": {\"name\": ");
  write_json_string(out, v.source_name);
  write_text(out, ", \"url\": ");
  write_json_string(out, v.source_url);
  write_text(out, "}");
  if (!v.cves.empty()) {
    write_text(out, ",\n      \"references\": [");
    for (size_t i = 0; i < v.cves.size(); ++i) {
      write_text(out, i == 0 ? "{\"id\": " : ", {\"id\": ");
      write_json_string(out, v.cves[i]);
      write_text(out, ", \"source\": {\"name\": \"NVD\", \"url\": ");
      write_json_string(out, "https://nvd.nist.gov/vuln/detail/" + v.cves[i]);
      write_text(out, "}}");
    }
    write_text(out, "]");
  }
  if (!v.description.empty()) {
    put_member(out, "description", v.description);
  }
  if (!v.published.empty()) {
    put_member(out, "published", v.published);
  }
  if (!v.updated.empty()) {
    put_member(out, "updated", v.updated);
  }
  write_text(out, ",\n      \"affects\": [");
  for (size_t i = 0; i < v.affects.size(); ++i) {
    write_text(out, i == 0 ? "{\"ref\": " : ", {\"ref\": ");
    write_json_string(out, v.affects[i].first);
    write_text(out, ", \"versions\": [{\"version\": ");
    write_json_string(out, v.affects[i].second);
    write_text(out, ", \"status\": \"affected\"}]}");
  }
  write_text(out, "]\n    }");
}

}  // namespace

void write_cyclonedx(
    std::FILE* out, const CycloneDxProduct& product, std::string_view timestamp,
    const std::vector<PackageRecord>& records,
    const std::vector<CycloneDxVulnerability>* vulnerabilities) {
  write_text(out, "{\n  \"bomFormat\": \"CycloneDX\",\n  \"specVersion\": \"");
  write_text(out, product.spec_version);
  if (!product.serial_number.empty()) {
    write_text(out, "\",\n  \"serialNumber\": \"");
    write_text(out, product.serial_number);
  }
  write_text(
      out, "\",\n  \"version\": 1,\n  \"metadata\": {\n    \"timestamp\": \"");
  write_text(out, timestamp);
  write_text(out,
             "\",\n    \"tools\": {\n      \"components\": [\n"
             "        {\"type\": \"application\", \"name\": "
             "\"zelkor-pkg-sign\", \"version\": ");
  write_json_string(out, product.tool_version);
  write_text(out,
             "}\n      ]\n    },\n    \"component\": {\n"
             "      \"type\": \"operating-system\",\n      \"name\": ");
  write_json_string(out, product.name);
  write_text(out, ",\n      \"version\": ");
  write_json_string(out, product.version);
  write_text(out, ",\n      \"manufacturer\": {\"name\": ");
  write_json_string(out, product.manufacturer);
  write_text(out, "}\n    }\n  },\n  \"components\": [\n");
  for (size_t i = 0; i < records.size(); ++i) {
    put_component(out, product, records[i]);
    write_text(out, i + 1 < records.size() ? ",\n" : "\n");
  }
  write_text(out, "  ],\n  \"dependencies\": [\n");

  std::unordered_set<std::string_view, KeyedHash> names;
  for (const PackageRecord& r : records) {
    names.insert(r.name);
  }
  for (size_t i = 0; i < records.size(); ++i) {
    const PackageRecord& r = records[i];
    write_text(out, i == 0 ? "    {\"ref\": " : ",\n    {\"ref\": ");
    write_json_string(out, r.name);
    bool listed = false;
    for (const std::string& dep : r.deps) {
      if (names.count(dep) == 0) {
        continue;
      }
      write_text(out, listed ? ", " : ", \"dependsOn\": [");
      write_json_string(out, dep);
      listed = true;
    }
    write_text(out, listed ? "]}" : "}");
  }
  write_text(out, "\n  ]");
  if (vulnerabilities != nullptr) {
    write_text(out, ",\n  \"vulnerabilities\": [");
    for (size_t i = 0; i < vulnerabilities->size(); ++i) {
      write_text(out, i == 0 ? "\n" : ",\n");
      put_vulnerability(out, (*vulnerabilities)[i]);
    }
    write_text(out, vulnerabilities->empty() ? "]" : "\n  ]");
  }
  write_text(out, "\n}\n");
}

}  // namespace zps
