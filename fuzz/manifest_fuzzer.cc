// Any bytes as a manifest: the parse ends (nesting too deep is a parse
// error, not a stack overflow), and the checksum collection and the record
// read whatever parses. No entry it collects may break the line format.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "packages/checksum_list.h"
#include "packages/manifest_document.h"
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
    std::string messages;
    for (const zps::ChecksumEntry& e :
         zps::collect_checksums(doc->root(), label, &messages).entries) {
      zps::require(!e.path.empty() && !e.checksum.empty(), "entries are whole");
      zps::require(
          e.path.find_first_of({"\n\0", 2}) == std::string_view::npos &&
              e.checksum.find_first_of({"\n\0", 2}) == std::string_view::npos,
          "no line feed or NUL in an entry");
    }
  }
  (void)zps::build_package_record(doc->root());
  return 0;
}
