#include "sbom/sbom_stage.h"

#include "base/output.h"
#include "sbom/cyclonedx_writer.h"
#include "sbom/spdx_writer.h"

namespace zps {

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
                   const std::vector<PackageRecord>& records, std::FILE* err) {
  if (!wants_sbom(settings)) {
    return 0;
  }
  const std::string product =
      sbom_product_name(settings.app_name, settings.repo_dirs);
  const std::string count = std::to_string(records.size());
  if (!settings.spdx_path.empty()) {
    if (!write_spdx_document(settings.spdx_path, product, records, err)) {
      return 1;
    }
    write_text(err, "SPDX SBOM: " + count + " packages written to " +
                        settings.spdx_path + "\n");
  }
  if (!settings.cyclonedx_path.empty()) {
    CycloneDxProduct cdx{product, settings.app_version, settings.manufacturer,
                         settings.attack_surface, settings.security_function};
    if (!write_cyclonedx_document(settings.cyclonedx_path, cdx, records, err)) {
      return 1;
    }
    write_text(err, "CycloneDX SBOM: " + count + " packages written to " +
                        settings.cyclonedx_path + "\n");
  }
  return 0;
}

}  // namespace zps
