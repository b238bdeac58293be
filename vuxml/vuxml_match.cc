#include "vuxml/vuxml_match.h"

#include "vuxml/version_order.h"

namespace zps {

bool range_contains(const VersionRange& range, std::string_view version) {
  for (const VersionBound& bound : range.bounds) {
    const int order = compare_versions(version, bound.version);
    bool met = false;
    switch (bound.kind) {
      case BoundKind::kLt:
        met = order < 0;
        break;
      case BoundKind::kLe:
        met = order <= 0;
        break;
      case BoundKind::kGt:
        met = order > 0;
        break;
      case BoundKind::kGe:
        met = order >= 0;
        break;
      case BoundKind::kEq:
        met = order == 0;
        break;
    }
    if (!met) {
      return false;
    }
  }
  return true;
}

AdvisoryIndex::AdvisoryIndex(std::vector<Advisory> advisories)
    : advisories_(std::move(advisories)) {
  for (size_t a = 0; a < advisories_.size(); ++a) {
    const std::vector<AffectedPackage>& packages = advisories_[a].packages;
    for (size_t p = 0; p < packages.size(); ++p) {
      for (const std::string& name : packages[p].names) {
        by_name_[name].emplace_back(static_cast<uint32_t>(a),
                                    static_cast<uint32_t>(p));
      }
    }
  }
}

std::vector<size_t> AdvisoryIndex::match(std::string_view name,
                                         std::string_view version) const {
  std::vector<size_t> found;
  auto it = by_name_.find(name);
  if (it == by_name_.end()) {
    return found;
  }
  for (const auto& [a, p] : it->second) {
    // Positions come in document order, so an advisory that lists the name
    // in several packages is found once by looking at the last one found.
    if (!found.empty() && found.back() == a) {
      continue;
    }
    for (const VersionRange& range : advisories_[a].packages[p].ranges) {
      if (range_contains(range, version)) {
        found.push_back(a);
        break;
      }
    }
  }
  return found;
}

}  // namespace zps
