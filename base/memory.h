#pragma once

#include <cstddef>

namespace zps {

// Says whether `bytes` could be allocated now: allocates that much without
// throwing and frees it at once. Buffers whose size a package decides ask
// first, so that under an address-space limit (ulimit -v, a sandbox) the
// package is refused instead of the allocation ending the run.
[[nodiscard]] bool can_allocate(size_t bytes);

}  // namespace zps
