#pragma once

#include "cli/run_options.h"

namespace zps {

// Runs the whole job for `options`: opens the checksum output, scans each
// repository in order, writes the checksum lines, progress and summary, and
// returns the exit status (0 for a completed run, 1 when the output cannot
// be opened or written, or a repository cannot be scanned). Messages go to
// standard error; checksum lines to standard output unless
// `options.output_path` names a file.
int run_driver(RunOptions options);

}  // namespace zps
