#pragma once

// The calls whose form differs between Linux (glibc) and FreeBSD live
// behind these functions, so a port looks in one file.

namespace zps {

// Returns the number of CPUs this process may run on (its affinity mask),
// at least 1.
unsigned usable_cpu_count();

// Tunes the C library's allocator for a run that allocates and frees a
// manifest per package on several threads. Does nothing where the
// allocator has no such settings.
void tune_allocator();

// Returns how many file descriptors the process has open.
int open_descriptor_count();

}  // namespace zps
