#pragma once

#include "cli/run_options.h"

namespace zps {

// Runs the whole job for `options` (with `options.verify_list`, the check
// of run_verify instead): opens the checksum output, reads the packages of
// each repository in order on `options.jobs` threads, writes the checksum
// lines, progress and summary in package order, then the requested SBOM
// documents, and returns the exit status: 0 for a completed run; 1 when
// SOURCE_DATE_EPOCH is not a number of seconds or two outputs name the
// same file (nothing is written then), the checksum output cannot be
// opened or written, a repository cannot be scanned (the run stops there,
// writing no SBOM), an SBOM document cannot be opened or written, or, with
// `options.strict`, anything was left out. Messages go to standard error;
// checksum lines to standard output unless `options.output_path` names a
// file.
int run_driver(const RunOptions& options);

}  // namespace zps
