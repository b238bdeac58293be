#include "packages/manifest_parser.h"

#include <string>

#include "packages/verbose.h"

namespace zps {

std::unique_ptr<ManifestDocument> parse_manifest(std::string text,
                                                 std::string_view label,
                                                 std::FILE* err) {
  std::string error;
  std::unique_ptr<ManifestDocument> doc =
      ManifestDocument::parse(std::move(text), &error);
  if (doc == nullptr) {
    std::string line =
        "  UCL parse error (" + std::string(label) + "): " + error + "\n";
    std::fwrite(line.data(), 1, line.size(), err);
    return nullptr;
  }
  if (verbose) {
    std::string line = "  [verbose] " + std::string(label) + " keys:";
    for (const ManifestMember& m : doc->root().members()) {
      line += ' ';
      line += m.key;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), err);
  }
  return doc;
}

}  // namespace zps
