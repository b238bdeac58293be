#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/keyed_hash.h"
#include "vuxml/vuxml_reader.h"

namespace zps {

// True when `version` meets every bound of `range` in the package tool's
// version order (compare_versions), the bound's version taken whole; a
// range without bounds contains every version.
[[nodiscard]] bool range_contains(const VersionRange& range,
                                  std::string_view version);

// The advisories of a VuXML document, looked up by package name. Read-only
// once made, so any number of threads may match at once.
class AdvisoryIndex {
 public:
  explicit AdvisoryIndex(std::vector<Advisory> advisories);
  AdvisoryIndex(const AdvisoryIndex&) = delete;  // the lookup holds views
  AdvisoryIndex& operator=(const AdvisoryIndex&) = delete;

  const std::vector<Advisory>& advisories() const { return advisories_; }

  // Returns the positions in advisories() of those that apply to the
  // package `name` at `version`, ascending, each once: an advisory applies
  // when one of its packages lists `name` (byte for byte) and one of that
  // package's ranges contains `version`.
  std::vector<size_t> match(std::string_view name,
                            std::string_view version) const;

 private:
  std::vector<Advisory> advisories_;
  // Each name's (advisory, package) positions, in document order.
  std::unordered_map<std::string_view,
                     std::vector<std::pair<uint32_t, uint32_t>>, KeyedHash>
      by_name_;
};

}  // namespace zps
