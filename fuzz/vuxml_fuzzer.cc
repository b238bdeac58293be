// Any bytes as a VuXML document, whole and fed in two pieces: the parse
// ends, both give the same answer, a refusal explains itself, and what is
// kept is on one line where messages show it and within its bounds; every
// package is matched against what was read.
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "vuxml/vuxml_match.h"
#include "vuxml/vuxml_reader.h"

namespace {

bool is_one_line(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return false;
    }
  }
  return text.empty() || (text.front() != ' ' && text.back() != ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string reason;
  std::optional<std::vector<zps::Advisory>> read =
      zps::parse_vuxml(text, &reason);

  zps::VuxmlParser pieces;
  const bool pieces_ok = pieces.feed(text.substr(0, size / 2)) &&
                         pieces.feed(text.substr(size / 2)) && pieces.finish();
  zps::require(pieces_ok == read.has_value(), "pieces give the same answer");
  if (!read) {
    zps::require(!reason.empty(), "a refusal explains itself");
    return 0;
  }
  zps::require(pieces.take_advisories().size() == read->size(),
               "pieces read the same advisories");
  for (const zps::Advisory& a : *read) {
    zps::require(!a.vid.empty(), "an advisory has a vid");
    zps::require(is_one_line(a.vid) && is_one_line(a.topic),
                 "vid and topic are one line");
    zps::require(a.topic.size() <= zps::kMaxVuxmlTextBytes, "topic bounded");
  }
  const zps::AdvisoryIndex index(std::move(*read));
  for (const zps::Advisory& a : index.advisories()) {
    for (const zps::AffectedPackage& p : a.packages) {
      for (const std::string& name : p.names) {
        for (const zps::VersionRange& r : p.ranges) {
          for (const zps::VersionBound& b : r.bounds) {
            (void)index.match(name, b.version);
          }
        }
      }
    }
  }
  return 0;
}
