#pragma once

namespace zps {

// Extra diagnostics ("  [verbose] " lines) on standard error. Set once by
// option parsing, before any package is read; read by the manifest steps.
inline bool verbose = false;

}  // namespace zps
