#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "base/platform.h"

namespace zps {

// Runs `work(i)` for every i in [0, count) on `jobs` threads and hands each
// result to `commit(i, result)` on the calling thread, in the order of i,
// one at a time: whatever `commit` writes comes out as a sequential loop
// would write it. The calling thread only commits; it sleeps while the next
// result is not ready (doing work itself would hold up every commit behind
// a slow item, and the workers with them once the window is full). At most
// `window` results (at least 1) are computed ahead of the next one to commit,
// so memory stays bounded however large `count` is. With `jobs` 1 no thread is
// started and each work item is committed as soon as it is done, exactly a
// plain loop. `work` runs concurrently with itself and with `commit`: it must
// touch no state that they share, except through its own synchronisation.
template <typename Work, typename Commit>
void run_ordered(size_t count, unsigned jobs, size_t window, Work work,
                 Commit commit) {
  using Result = decltype(work(size_t{0}));
  if (jobs <= 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i) {
      commit(i, work(i));
    }
    return;
  }
  window = std::max<size_t>(window, 1);
  std::mutex mutex;
  std::condition_variable done;   // a result arrived
  std::condition_variable space;  // a result was committed
  std::vector<std::optional<Result>> slots(window);
  size_t next_to_start = 0;  // guarded by mutex
  size_t committed = 0;      // guarded by mutex
  auto worker = [&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      space.wait(lock, [&] {
        return next_to_start >= count || next_to_start < committed + window;
      });
      if (next_to_start >= count) {
        return;
      }
      const size_t i = next_to_start++;
      lock.unlock();
      Result result = work(i);
      lock.lock();
      slots[i % window].emplace(std::move(result));
      done.notify_one();
    }
  };
  std::vector<std::thread> threads;
  const size_t thread_count = std::min<size_t>(jobs, count);
  threads.reserve(thread_count);
  for (size_t t = 0; t < thread_count; ++t) {
    threads.emplace_back(worker);
  }
  for (size_t i = 0; i < count; ++i) {
    std::optional<Result> result;
    {
      std::unique_lock<std::mutex> lock(mutex);
      done.wait(lock, [&] { return slots[i % window].has_value(); });
      result.swap(slots[i % window]);
      committed = i + 1;
    }
    space.notify_all();
    commit(i, std::move(*result));
  }
  for (std::thread& t : threads) {
    t.join();
  }
}

}  // namespace zps
