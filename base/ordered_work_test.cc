#include "base/ordered_work.h"

#include <atomic>
#include <chrono>
#include <string>

#include <gtest/gtest.h>

namespace zps {
namespace {

TEST(RunOrdered, CommitsInOrderWithinTheWindow) {
  for (unsigned jobs : {1u, 2u, 7u}) {
    for (size_t window : {size_t{1}, size_t{3}, size_t{16}}) {
      for (size_t count : {size_t{0}, size_t{1}, size_t{200}}) {
        std::atomic<size_t> committed{0};
        std::atomic<bool> beyond_window{false};
        std::string order;
        run_ordered(
            count, jobs, window,
            [&](size_t i) {
              // The work of later items finishes first now and then.
              std::this_thread::sleep_for(
                  std::chrono::microseconds((i * 7919) % 200));
              beyond_window = beyond_window || i > committed + window ||
                              (jobs == 1 && i != committed);
              return std::to_string(i * i);
            },
            [&](size_t i, std::string square) {
              order += std::to_string(i) + "=" + square + ";";
              ++committed;
            });
        std::string want;
        for (size_t i = 0; i < count; ++i) {
          want += std::to_string(i) + "=" + std::to_string(i * i) + ";";
        }
        EXPECT_EQ(order, want) << jobs << " jobs, window " << window;
        EXPECT_FALSE(beyond_window) << jobs << " jobs, window " << window;
      }
    }
  }
}

TEST(RunOrdered, RunsWorkOnSeveralThreadsAtOnce) {
  // Each of the first two items waits for the other to start: only two
  // threads at work together get both done.
  std::atomic<int> started{0};
  std::atomic<bool> met{true};
  run_ordered(
      2, 2, 2,
      [&](size_t) {
        ++started;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (started < 2 && std::chrono::steady_clock::now() < deadline) {
          std::this_thread::yield();
        }
        met = met && started == 2;
        return 0;
      },
      [](size_t, int) {});
  EXPECT_TRUE(met);
  EXPECT_GE(usable_cpu_count(), 1u);
}

}  // namespace
}  // namespace zps
