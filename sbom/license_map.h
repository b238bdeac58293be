#pragma once

#include <string>
#include <string_view>

namespace zps {

// Returns the SPDX license identifier for the ports license name `name`
// (exact, case-sensitive match against a fixed table of 27 names), or
// "LicenseRef-" followed by `name` unchanged when the table lacks it. Never
// empty.
std::string map_license(std::string_view name);

}  // namespace zps
