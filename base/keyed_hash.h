#pragma once

#include <cstdint>
#include <string_view>

namespace zps {

// A hash of `bytes` under a key chosen at random once per run, for tables
// whose keys come from packages: without the key no manifest can be made
// of strings that all hash alike, so the cost of a table cannot be
// foreseen. Eight bytes at a time; a good enough spread, not a MAC. Nothing
// the program writes may depend on its values.
uint64_t keyed_hash(std::string_view bytes);

// keyed_hash as a hasher for the standard unordered containers.
struct KeyedHash {
  size_t operator()(std::string_view bytes) const {
    return static_cast<size_t>(keyed_hash(bytes));
  }
};

}  // namespace zps
