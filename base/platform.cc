#include "base/platform.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

// glibc's allocator is tuned through mallopt in <malloc.h>. FreeBSD's
// jemalloc has no mallopt (it reads its settings from malloc_conf or the
// MALLOC_CONF environment variable), and its <malloc.h> is only a stub.
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace zps {

unsigned usable_cpu_count() {
  // Linux has sched_getaffinity; FreeBSD has had it since 13.1, over its
  // own cpuset_getaffinity, with the same cpu_set_t and CPU_COUNT.
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) {
      return static_cast<unsigned>(count);
    }
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? hardware : 1;
}

void tune_allocator() {
#if defined(__GLIBC__)
  // Every package allocates and frees its manifest, its parse and the
  // decompressor's buffers. Left alone, glibc hands the top of the heap
  // back to the kernel after each, and the next package takes its pages
  // again, one fault at a time: a 16 MiB pad keeps them. It also gives each
  // thread an arena of its own, up to eight per CPU, and every arena keeps
  // what it has held: one arena per usable CPU (at least two) keeps a run on
  // many threads within half as much again as a run on one. jemalloc
  // (FreeBSD) keeps a few arenas per CPU and returns pages on its own.
  (void)mallopt(M_TOP_PAD, 16 << 20);
  (void)mallopt(M_ARENA_MAX,
                static_cast<int>(std::max(2u, usable_cpu_count())));
#endif
}

int open_descriptor_count() {
  // Linux lists them in /proc/self/fd, FreeBSD in /dev/fd only with
  // fdescfs mounted; asking for each descriptor's flags works on both.
  const long limit = std::min(sysconf(_SC_OPEN_MAX), 65536L);
  int count = 0;
  for (int fd = 0; fd < limit; ++fd) {
    count += fcntl(fd, F_GETFD) != -1 ? 1 : 0;
  }
  return count;
}

}  // namespace zps
