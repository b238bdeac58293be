#include "base/memory.h"

#include <algorithm>
#include <cstdlib>

namespace zps {

bool can_allocate(size_t bytes) {
  void* block = std::malloc(bytes);
  // The compiler may drop a malloc whose block is only freed; an opaque use
  // keeps the allocation real.
  asm volatile("" : : "r"(block) : "memory");
  std::free(block);
  return block != nullptr;
}

size_t MemoryBudget::acquire(size_t bytes) {
  bytes = std::min(bytes, total_);
  std::unique_lock<std::mutex> lock(mutex_);
  freed_.wait(lock, [&] { return bytes <= total_ - held_; });
  held_ += bytes;
  return bytes;
}

void MemoryBudget::release(size_t bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ -= bytes;
  }
  freed_.notify_all();
}

MemoryLease& MemoryLease::operator=(MemoryLease&& other) noexcept {
  if (this != &other) {
    reset();
    budget_ = other.budget_;
    bytes_ = other.bytes_;
    other.budget_ = nullptr;
  }
  return *this;
}

void MemoryLease::reset() {
  if (budget_ != nullptr) {
    budget_->release(bytes_);
    budget_ = nullptr;
  }
}

}  // namespace zps
