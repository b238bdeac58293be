// Any bytes as a package file: reading it ends cleanly, with a bounded
// manifest and whole checksum entries that cannot break the line format.
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "packages/package_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zps::PackageResult result = zps::read_package_bytes(bytes, "fuzz.pkg", true);
  zps::require(!result.messages.empty() || result.counted,
               "a skip is reported");
  for (const zps::ChecksumEntry& e : result.checksums.entries) {
    zps::require(!e.path.empty() && !e.checksum.empty(), "entries are whole");
    zps::require(
        e.path.find_first_of({"\n\0", 2}) == std::string_view::npos &&
            e.checksum.find_first_of({"\n\0", 2}) == std::string_view::npos,
        "no line feed or NUL in an entry");
  }
  return 0;
}
