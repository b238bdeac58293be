#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/keyed_hash.h"

namespace zps {

// The most logical bytes (data, and the holes of sparse members as zeros)
// hashed for one package: the larger of this floor and
// kHashedBytesPerPackageByte times the package file's size. Real packages
// stay far below it; a member that says it holds a petabyte of holes does
// not keep the run busy for weeks.
inline constexpr uint64_t kMinHashedBytes = uint64_t{4} << 30;
inline constexpr uint64_t kHashedBytesPerPackageByte = 1024;

// The SHA-256 digests of a package archive's members.
struct MemberDigests {
  // Digests (32 bytes) by path, each path beginning with "/".
  std::unordered_map<std::string, std::string, KeyedHash> by_path;
  // Set when the members were not all read because the package reached its
  // bound of hashed bytes; 0 when every member was read.
  uint64_t stopped_at_bytes = 0;
};

}  // namespace zps
