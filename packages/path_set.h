#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace zps {

// A set of byte strings (file paths) that only grows. The strings are kept
// back to back in large blocks and listed in insertion order; an open-
// addressing table of 8-byte slots (a hash tag and a list position) finds
// them, so a lookup touches one small slot before it compares any bytes.
// Memory grows with the number and length of distinct strings inserted.
class PathSet {
 public:
  PathSet();

  // Returns the hash of `path` that insert takes: the same for equal
  // strings within one run, and it may be computed on any thread.
  static uint32_t hash(std::string_view path);

  // Adds `path` unless an equal string is present. Returns true when it was
  // added.
  [[nodiscard]] bool insert(std::string_view path) {
    return insert(path, hash(path));
  }

  // As insert(path), with `path_hash` computed beforehand.
  // Requires: path_hash == hash(path).
  [[nodiscard]] bool insert(std::string_view path, uint32_t path_hash);

  [[nodiscard]] bool contains(std::string_view path) const;

  // Asks the processor to fetch the slot where a path of hash `path_hash`
  // would go, so that a later insert of it does not wait for memory.
  // Changes nothing.
  void prefetch(uint32_t path_hash) const;

  size_t size() const { return entries_.size(); }

 private:
  struct Slot {
    uint32_t hash = 0;   // of the string; meaningful only when `entry` > 0
    uint32_t entry = 0;  // position in `entries_` plus 1; 0 marks empty
  };

  // Returns the index of the slot holding `path`, or of the empty slot
  // where it belongs.
  size_t find(std::string_view path, uint32_t path_hash) const;
  std::string_view store(std::string_view path);
  void grow();

  std::vector<Slot> slots_;
  std::vector<std::string_view> entries_;  // into `blocks_`
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t block_used_ = 0;
  size_t block_size_ = 0;
};

}  // namespace zps
