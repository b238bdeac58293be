#include "packages/path_set.h"

#include <string.h>

#include <algorithm>

namespace zps {
namespace {

constexpr size_t kInitialSlots = 1024;  // a power of two
constexpr size_t kBlockBytes = size_t{1} << 20;

uint64_t mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return x;
}

// Eight bytes at a time; good enough spread for paths, and never 0, which
// marks an empty slot.
uint64_t hash_of(std::string_view s) {
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ s.size();
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t word;
    memcpy(&word, s.data() + i, 8);
    h = mix(h ^ word) + 0x9e3779b97f4a7c15ULL;
  }
  uint64_t tail = 0;
  if (i < s.size()) {
    memcpy(&tail, s.data() + i, s.size() - i);
  }
  h = mix(h ^ tail);
  return h == 0 ? 1 : h;
}

}  // namespace

PathSet::PathSet() : slots_(kInitialSlots) {}

size_t PathSet::find(std::string_view path, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.hash == 0 ||
        (slot.hash == hash && slot.length == path.size() &&
         (path.empty() || memcmp(slot.bytes, path.data(), path.size()) == 0))) {
      return i;
    }
  }
}

bool PathSet::contains(std::string_view path) const {
  return slots_[find(path, hash_of(path))].hash != 0;
}

bool PathSet::insert(std::string_view path) {
  const uint64_t hash = hash_of(path);
  Slot& slot = slots_[find(path, hash)];
  if (slot.hash != 0) {
    return false;
  }
  slot = Slot{hash, store(path), path.size()};
  ++size_;
  // At most half full, so probe runs stay short.
  if (size_ * 2 > slots_.size()) {
    grow();
  }
  return true;
}

const char* PathSet::store(std::string_view path) {
  if (path.empty()) {
    return nullptr;  // never read: lengths are compared first
  }
  if (blocks_.empty() || path.size() > block_size_ - block_used_) {
    block_size_ = std::max(kBlockBytes, path.size());
    blocks_.push_back(std::make_unique<char[]>(block_size_));
    block_used_ = 0;
  }
  char* at = blocks_.back().get() + block_used_;
  memcpy(at, path.data(), path.size());
  block_used_ += path.size();
  return at;
}

void PathSet::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.hash == 0) {
      continue;
    }
    size_t i = slot.hash & mask;
    while (slots_[i].hash != 0) {
      i = (i + 1) & mask;
    }
    slots_[i] = slot;
  }
}

}  // namespace zps
