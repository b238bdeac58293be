#include "packages/path_set.h"

#include <string.h>

#include <algorithm>

#include "base/keyed_hash.h"

namespace zps {
namespace {

constexpr size_t kInitialSlots = 4096;  // a power of two
constexpr size_t kBlockBytes = size_t{1} << 20;

}  // namespace

uint32_t PathSet::hash(std::string_view path) {
  return static_cast<uint32_t>(keyed_hash(path));
}

PathSet::PathSet() : slots_(kInitialSlots) {}

size_t PathSet::find(std::string_view path, uint32_t path_hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = path_hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.entry == 0 ||
        (slot.hash == path_hash && entries_[slot.entry - 1] == path)) {
      return i;
    }
  }
}

void PathSet::prefetch(uint32_t path_hash) const {
  __builtin_prefetch(&slots_[path_hash & (slots_.size() - 1)]);
}

bool PathSet::contains(std::string_view path) const {
  return slots_[find(path, hash(path))].entry != 0;
}

bool PathSet::insert(std::string_view path, uint32_t path_hash) {
  Slot& slot = slots_[find(path, path_hash)];
  if (slot.entry != 0) {
    return false;
  }
  entries_.push_back(store(path));
  slot = Slot{path_hash, static_cast<uint32_t>(entries_.size())};
  // At most half full, so probe runs stay short.
  if (entries_.size() * 2 > slots_.size()) {
    grow();
  }
  return true;
}

std::string_view PathSet::store(std::string_view path) {
  if (path.empty()) {
    return {};
  }
  if (blocks_.empty() || path.size() > block_size_ - block_used_) {
    block_size_ = std::max(kBlockBytes, path.size());
    blocks_.push_back(std::make_unique<char[]>(block_size_));
    block_used_ = 0;
  }
  char* at = blocks_.back().get() + block_used_;
  memcpy(at, path.data(), path.size());
  block_used_ += path.size();
  return std::string_view(at, path.size());
}

void PathSet::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.entry == 0) {
      continue;
    }
    size_t i = slot.hash & mask;
    while (slots_[i].entry != 0) {
      i = (i + 1) & mask;
    }
    slots_[i] = slot;
  }
}

}  // namespace zps
