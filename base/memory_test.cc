#include "base/memory.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(MemoryBudget, TakesAtMostTheTotal) {
  MemoryBudget budget(100);
  struct Case {
    size_t ask, want;
  };
  const Case cases[] = {
      {0, 0}, {1, 1}, {100, 100}, {101, 100}, {~size_t{0}, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ask);
    const size_t got = budget.acquire(c.ask);
    EXPECT_EQ(got, c.want);
    budget.release(got);
  }
}

// A holder waits while the rest of the budget is too small for it, and goes
// on once enough has been given back; a request over the total runs alone.
TEST(MemoryBudget, WaitsUntilEnoughIsGivenBack) {
  MemoryBudget budget(100);
  MemoryLease first(&budget, 60);
  MemoryLease second(&budget, 40);
  std::atomic<bool> taken{false};
  std::thread waiter([&] {
    MemoryLease whole(&budget, 1000);
    taken = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(taken);
  first.reset();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(taken);  // 60 free, the whole 100 asked for
  MemoryLease moved = std::move(second);
  moved = MemoryLease();  // replacing a lease gives its share back
  waiter.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(budget.acquire(100), 100u);
}

}  // namespace
}  // namespace zps
