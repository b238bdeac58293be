#include "sbom/spdx_writer.h"

#include <unordered_map>
#include <unordered_set>

#include "base/hex.h"
#include "base/keyed_hash.h"
#include "base/output.h"
#include "base/url.h"
#include "sbom/json_text.h"
#include "sbom/license_map.h"

namespace zps {
namespace {

// RFC 3986's unreserved characters besides letters and digits: what a
// URI carries as it is.
constexpr std::string_view kUnreservedMarks = "-._~";

void put_reference(std::FILE* out, std::string_view category,
                   std::string_view type, std::string_view locator) {
  write_text(out, "{\"referenceCategory\": \"");
  write_text(out, category);
  write_text(out, "\", \"referenceType\": \"");
  write_text(out, type);
  write_text(out, "\", \"referenceLocator\": ");
  write_json_string(out, locator);
  write_text(out, "}");
}

void put_package(std::FILE* out, const PackageRecord& r, std::string_view id) {
  const std::string license = spdx_license_expression(r.licenses);
  write_text(out, "    {\n      \"SPDXID\": ");
  write_json_string(out, id);
  write_text(out, ",\n      \"name\": ");
  write_json_string(out, r.name);
  write_text(out, ",\n      \"versionInfo\": ");
  write_json_string(out, r.version);
  write_text(out, ",\n      \"downloadLocation\": ");
  write_json_string(
      out, r.download_location.empty() ? "NOASSERTION" : r.download_location);
  write_text(out, ",\n      \"filesAnalyzed\": false,\n");
  if (!r.maintainer.empty()) {
    write_text(out, "      \"supplier\": ");
    write_json_string(out, "Organization: " + r.maintainer);
    write_text(out, ",\n");
  }
  if (!r.www.empty()) {
    // pkg writes "UNKNOWN" for a port without a web site; SPDX takes only
    // a URL there.
    write_text(out, "      \"homepage\": ");
    write_json_string(out, is_absolute_url(r.www) ? r.www : "NOASSERTION");
    write_text(out, ",\n");
  }
  write_text(out, "      \"licenseConcluded\": ");
  write_json_string(out, license);
  write_text(out, ",\n      \"licenseDeclared\": ");
  write_json_string(out, license);
  write_text(out, ",\n      \"copyrightText\": \"NOASSERTION\"");
  if (!r.desc.empty()) {
    write_text(out, ",\n      \"description\": ");
    write_json_string(out, r.desc);
  }
  if (!r.origin.empty()) {
    write_text(out, ",\n      \"sourceInfo\": ");
    write_json_string(out, "origin: " + r.origin);
  }
  if (!r.cpe.empty() || !r.purl.empty()) {
    write_text(out, ",\n      \"externalRefs\": [");
    if (!r.cpe.empty()) {
      put_reference(out, "SECURITY", "cpe23Type", r.cpe);
    }
    if (!r.purl.empty()) {
      write_text(out, r.cpe.empty() ? "" : ", ");
      put_reference(out, "PACKAGE-MANAGER", "purl", r.purl);
    }
    write_text(out, "]");
  }
  write_text(out, "\n    }");
}

std::string relationship(std::string_view from, std::string_view type,
                         std::string_view to) {
  return "    {\"spdxElementId\": \"" + json_escape(from) +
         "\", \"relationshipType\": \"" + std::string(type) +
         "\", \"relatedSpdxElement\": \"" + json_escape(to) + "\"}";
}

}  // namespace

std::string spdx_license_expression(const std::vector<std::string>& licenses) {
  if (licenses.empty()) {
    return "NOASSERTION";
  }
  if (licenses.size() == 1) {
    return map_license(licenses[0]);
  }
  std::string expression = "(" + map_license(licenses[0]);
  for (size_t i = 1; i < licenses.size(); ++i) {
    expression += " AND " + map_license(licenses[i]);
  }
  return expression + ")";
}

std::vector<std::string> assign_spdx_ids(
    const std::vector<PackageRecord>& records) {
  std::vector<std::string> ids;
  ids.reserve(records.size());
  // The document's own identifier is never a package's.
  std::unordered_set<std::string, KeyedHash> taken = {"SPDXRef-DOCUMENT"};
  // Per clashing identifier, the suffix to try next: the numbers below it
  // are taken, so each record costs a step or two however many clash.
  std::unordered_map<std::string, uint64_t, KeyedHash> next_suffix;
  for (const PackageRecord& r : records) {
    std::string id = spdx_id(r.name);
    if (taken.count(id) != 0) {
      uint64_t& n = next_suffix.try_emplace(id, 2).first->second;
      std::string candidate;
      while (taken.count(candidate = id + "-" + std::to_string(n)) != 0) {
        ++n;
      }
      ++n;
      id = std::move(candidate);
    }
    taken.insert(id);
    ids.push_back(std::move(id));
  }
  return ids;
}

void write_spdx(std::FILE* out, std::string_view product_name,
                std::string_view created, std::string_view tool_version,
                const std::vector<PackageRecord>& records) {
  const std::vector<std::string> ids = assign_spdx_ids(records);
  const std::string space = std::string(kSpdxNamespaceBase) +
                            percent_encoded(product_name, kUnreservedMarks) +
                            "-" + std::string(created);
  write_text(
      out,
      "{\n  \"spdxVersion\": \"SPDX-2.3\",\n  \"dataLicense\": \"CC0-1.0\",\n"
      "  \"SPDXID\": \"SPDXRef-DOCUMENT\",\n  \"name\": ");
  write_json_string(out, product_name);
  write_text(out, ",\n  \"documentNamespace\": ");
  write_json_string(out, space);
  write_text(out, ",\n  \"creationInfo\": {\n    \"created\": \"");
  write_text(out, created);
  write_text(out, "\",\n    \"creators\": [");
  write_json_string(out, "Tool: zelkor-pkg-sign-" + std::string(tool_version));
  write_text(out, "]\n  },\n  \"documentDescribes\": [");
  for (size_t i = 0; i < ids.size(); ++i) {
    write_text(out, i == 0 ? "" : ", ");
    write_json_string(out, ids[i]);
  }
  write_text(out, "],\n  \"packages\": [\n");
  for (size_t i = 0; i < records.size(); ++i) {
    put_package(out, records[i], ids[i]);
    write_text(out, i + 1 < records.size() ? ",\n" : "\n");
  }
  write_text(out, "  ],\n  \"relationships\": [\n");

  std::vector<std::string> lines;
  std::unordered_map<std::string_view, std::string_view, KeyedHash> id_of_name;
  for (size_t i = 0; i < records.size(); ++i) {
    lines.push_back(relationship("SPDXRef-DOCUMENT", "DESCRIBES", ids[i]));
    id_of_name.emplace(records[i].name, ids[i]);
  }
  for (size_t i = 0; i < records.size(); ++i) {
    for (const std::string& dep : records[i].deps) {
      auto target = id_of_name.find(dep);
      if (target != id_of_name.end()) {
        lines.push_back(relationship(ids[i], "DEPENDS_ON", target->second));
      }
    }
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    write_text(out, lines[i]);
    write_text(out, i + 1 < lines.size() ? ",\n" : "\n");
  }
  write_text(out, "  ]\n}\n");
}

}  // namespace zps
