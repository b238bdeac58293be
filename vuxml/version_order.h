#pragma once

#include <string_view>

namespace zps {

// Compares two FreeBSD package versions,
// PORTVERSION[_PORTREVISION][,PORTEPOCH], as the package tool orders them: the
// epoch first, then the version component by component, then the revision.
// Returns a negative number when `a` comes before `b`, 0 when they are equal, a
// positive number when `a` comes after.
//
// Each argument is a version only: a "-" in it is a separator between
// components, like ".", and never splits off a package name. The epoch is
// the number after the last ",", the revision the number after the last
// "_", and the version ends at the first of the two, whichever order they
// come in. Any bytes are accepted; the order is total.
int compare_versions(std::string_view a, std::string_view b);

}  // namespace zps
