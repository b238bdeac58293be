#pragma once

#include "cli/run_options.h"

namespace zps {

// Runs the whole job for `options`: opens the checksum output, scans each
// repository in order, writes the checksum lines, progress and summary,
// then the requested SBOM documents, and returns the exit status: 0 for a
// completed run; 1 when two outputs name the same file (nothing is written
// then), the checksum output cannot be opened or written, a
// repository cannot be scanned (the run stops there, writing no SBOM), or
// an SBOM document cannot be opened or written. Messages go to standard
// error; checksum lines to standard output unless `options.output_path`
// names a file.
int run_driver(const RunOptions& options);

}  // namespace zps
