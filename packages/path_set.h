#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace zps {

// A set of byte strings (file paths) that only grows: open addressing over
// one table of hashes and offsets, the bytes kept back to back in blocks.
// Memory grows with the number and length of distinct strings inserted.
class PathSet {
 public:
  PathSet();

  // Adds `path` unless an equal string is present. Returns true when it was
  // added.
  [[nodiscard]] bool insert(std::string_view path);

  [[nodiscard]] bool contains(std::string_view path) const;

  size_t size() const { return size_; }

 private:
  struct Slot {
    uint64_t hash = 0;            // 0 marks an empty slot
    const char* bytes = nullptr;  // into one of `blocks_`
    size_t length = 0;
  };

  // Returns the index of the slot holding `path`, or of the empty slot
  // where it belongs.
  size_t find(std::string_view path, uint64_t hash) const;
  const char* store(std::string_view path);
  void grow();

  std::vector<Slot> slots_;
  size_t size_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t block_used_ = 0;
  size_t block_size_ = 0;
};

}  // namespace zps
