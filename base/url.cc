#include "base/url.h"

#include <cstddef>

namespace zps {

bool is_absolute_url(std::string_view text) {
  const size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) {
    return false;
  }
  for (size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' ||
                                c == '-' || c == '.'))) {
      return false;
    }
  }
  std::string_view host = text.substr(colon + 3);
  host = host.substr(0, host.find_first_of("/?#"));
  const size_t at = host.rfind('@');
  if (at != std::string_view::npos) {
    host.remove_prefix(at + 1);
  }
  // An IP literal ("[::1]") is not empty before its first ":" either.
  return !host.substr(0, host.find(':')).empty();
}

}  // namespace zps
