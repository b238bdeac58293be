#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zps {

// Returns the 16 bytes `bytes` as an RFC 4122 UUID of version `version`
// (its four version bits and two variant bits set) in the text form
// xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx, lower-case hex.
// Requires: bytes.size() == 16, 1 <= version <= 5.
std::string uuid_text(std::string_view bytes, int version);

// Returns a random (version 4) UUID from the crypto library's generator, or
// nothing when the generator cannot give one.
std::optional<std::string> random_uuid();

// Returns the name-based (version 5, SHA-1) UUID of `name` in the namespace
// whose 16 bytes are `name_space`.
// Requires: name_space.size() == 16.
std::string name_uuid(std::string_view name_space, std::string_view name);

}  // namespace zps
