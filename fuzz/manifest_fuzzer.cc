// Any bytes as a manifest: the parse ends (nesting too deep is a parse
// error, not a stack overflow), and the checksum collection and the record
// read whatever parses. No line it collects may break the line format.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "packages/checksum_list.h"
#include "packages/manifest_json.h"
#include "packages/package_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  auto doc = zps::ManifestDocument::parse(
      std::string(reinterpret_cast<const char*>(data), size), &error);
  if (doc == nullptr) {
    zps::require(!error.empty(), "a failed parse explains itself");
    return 0;
  }
  for (const char* label : {"pkg-1.0", "Zelkor-agent-1.0"}) {
    zps::ChecksumList list =
        zps::collect_checksums(doc->root(), label, zps::null_stream());
    for (const zps::ChecksumEntry& e : list.entries) {
      zps::require(!e.path.empty() && !e.checksum.empty(), "entries are whole");
      zps::require(e.path.find('\n') == std::string_view::npos &&
                       e.checksum.find('\n') == std::string_view::npos,
                   "no line feed in an entry");
    }
  }
  zps::PackageRecord record = zps::build_package_record(doc->root());
  (void)record;
  return 0;
}
