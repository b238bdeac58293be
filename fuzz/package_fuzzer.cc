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
  // Every line is whole: a path, " sha256=", a sum, one line feed at its
  // end and no NUL byte.
  const zps::ChecksumLines& lines = result.checksums;
  size_t start = 0;
  for (const zps::ChecksumLines::Line& line : lines.lines) {
    std::string_view text(lines.text.data() + start, line.end - start);
    zps::require(line.path_size > 0 && text.size() > line.path_size + 9 &&
                     text.substr(line.path_size, 8) == " sha256=",
                 "lines are whole");
    zps::require(text.find('\n') == text.size() - 1 &&
                     text.find('\0') == std::string_view::npos,
                 "no line feed or NUL inside a line");
    start = line.end;
  }
  zps::require(start == lines.text.size(), "the lines cover the text");
  return 0;
}
