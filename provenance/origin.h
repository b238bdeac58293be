#pragma once

#include <string_view>

namespace zps {

// The origin that the tool's maker gives its own packages begins with this.
inline constexpr std::string_view kOwnOriginPrefix = "Zelkor/";

// What a package's origin (a manifest value, so untrusted) names.
enum class OriginKind {
  kBase,     // "base": the base system
  kOwn,      // begins with kOwnOriginPrefix: one of the maker's components
  kPort,     // a port directory of the ports tree
  kUnknown,  // anything else: empty, no ports tree, not in the tree, or a
             // path that would leave it (absolute, a ".." component, a NUL
             // byte)
};

// Returns the kind of `origin` for the ports tree `ports_tree` (empty when
// there is none). A port must be a directory, links followed, inside the
// tree: an absolute origin or one with a ".." component never is, so no
// rule ever runs make on, or names in a URL, a path outside the tree.
OriginKind classify_origin(std::string_view ports_tree,
                           std::string_view origin);

}  // namespace zps
