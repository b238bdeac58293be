// The provenance text rules on any bytes: first_master_site keeps a
// prefix, download_tag a part without "/", and every distinfo name is
// text found between brackets.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "provenance/distfiles.h"
#include "provenance/upstream_refs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string site = zps::first_master_site(input);
  zps::require(input.substr(0, site.size()) == site, "a prefix of the entry");
  const std::string tag = zps::download_tag(input);
  zps::require(tag.find('/') == std::string::npos, "a tag has no slash");
  zps::require(input.find(tag) != std::string_view::npos, "a tag is a part");
  for (const std::string& name : zps::distinfo_names(input)) {
    zps::require(!name.empty() && name.find('\n') == std::string::npos,
                 "a name is one non-empty line part");
    zps::require(input.find("(" + name + ")") != std::string_view::npos,
                 "a name stands between brackets");
  }
  return 0;
}
