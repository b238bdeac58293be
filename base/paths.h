#pragma once

#include <string>
#include <string_view>

namespace zps {

// Returns `right` when it is absolute (begins with "/"); otherwise `left`
// and `right` with one "/" between them, unless `left` is empty or already
// ends in "/". Nothing else is normalised.
std::string join_path(std::string_view left, std::string_view right);

// Returns `path` between double quotes, with a backslash put before every
// double quote and every backslash in it.
std::string quoted_path(std::string_view path);

// Returns the last component of `path`: what follows its last "/", or the
// whole path when it has none.
std::string_view file_name(std::string_view path);

}  // namespace zps
