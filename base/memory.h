#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace zps {

// Says whether `bytes` could be allocated now: allocates that much without
// throwing and frees it at once. Buffers whose size a package decides ask
// first, so that under an address-space limit (ulimit -v, a sandbox) the
// package is refused instead of the allocation ending the run.
[[nodiscard]] bool can_allocate(size_t bytes);

// A share of memory that threads take from and give back: a thread waits
// until what it asks for is free, so however many threads there are, the
// shares taken together stay within the total. A request larger than the
// whole total is cut to it, so such a request waits until nothing else is
// held and then runs alone. Thread-safe.
class MemoryBudget {
 public:
  explicit MemoryBudget(size_t total) : total_(total) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  // Waits until `bytes` (cut to the total) are free, takes them and returns
  // how many were taken, for release().
  size_t acquire(size_t bytes);

  // Gives back `bytes` taken by acquire().
  void release(size_t bytes);

  size_t total() const { return total_; }

 private:
  const size_t total_;
  std::mutex mutex_;
  std::condition_variable freed_;
  size_t held_ = 0;  // guarded by mutex_
};

// What one holder has taken from a MemoryBudget, given back when the lease
// is destroyed or replaced.
class MemoryLease {
 public:
  MemoryLease() = default;
  // Waits for `bytes` of `*budget` (see MemoryBudget::acquire).
  MemoryLease(MemoryBudget* budget, size_t bytes)
      : budget_(budget), bytes_(budget->acquire(bytes)) {}
  ~MemoryLease() { reset(); }
  MemoryLease(MemoryLease&& other) noexcept
      : budget_(other.budget_), bytes_(other.bytes_) {
    other.budget_ = nullptr;
  }
  MemoryLease& operator=(MemoryLease&& other) noexcept;
  MemoryLease(const MemoryLease&) = delete;
  MemoryLease& operator=(const MemoryLease&) = delete;

  // Gives the share back now.
  void reset();

 private:
  MemoryBudget* budget_ = nullptr;
  size_t bytes_ = 0;
};

}  // namespace zps
