#pragma once

#include <string>
#include <unordered_map>

namespace zps {

// The SHA-256 digests (32 bytes) of a package archive's members by path,
// each path beginning with "/".
using MemberDigests = std::unordered_map<std::string, std::string>;

}  // namespace zps
