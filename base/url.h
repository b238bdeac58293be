#pragma once

#include <string_view>

namespace zps {

// True when `text` is an absolute URL: a scheme (a letter, then letters,
// digits, "+", "-" or "."), "://" and a host that is not empty. The host is
// what comes before the first "/", "?" or "#" after "://", without any
// user information up to an "@" and without a ":" and port.
[[nodiscard]] bool is_absolute_url(std::string_view text);

}  // namespace zps
