#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "packages/manifest_json.h"

namespace zps {

// Parses the manifest `text` of the package named `label`; the document
// keeps the text. On a parse
// failure writes "  UCL parse error (<label>): <parser message>" and a line
// feed to `err` and returns nullptr. With `verbose` set, also writes
// "  [verbose] <label> keys:" followed by " <key>" for each member of the
// root, in order, and a line feed.
std::unique_ptr<ManifestDocument> parse_manifest(std::string text,
                                                 std::string_view label,
                                                 std::FILE* err);

}  // namespace zps
