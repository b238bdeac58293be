#pragma once

#include <string>

#include "base/output.h"
#include "cli/run_options.h"

namespace zps {

// Checks the files that the checksum list `options.verify_list` names
// beneath `options.verify_root`, on `options.jobs` threads, and writes one
// line per problem, in the order of the list, to standard output or
// `options.output_path`: "MISMATCH <path>", "MISSING <path>", "NOTREG
// <path>", "BADPATH <path>", "BADLINE <n>" (a line of the list, counted
// from 1, that is not in the list format). Then writes "Verified: N files,
// M problems." to standard error. Returns 0 when there are no problems, 1
// when there are, or when the list, the root or the report cannot be read,
// opened or written (reported as "Error: ...").
int run_verify(const RunOptions& options);

// Finishes the main output of a run, `out`, written to `output_path`
// (empty: standard output). Returns false, after writing "Error: cannot
// write output file <path>" (or "standard output") to standard error,
// when any write to it failed.
[[nodiscard]] bool finish_output(OutputStream* out,
                                 const std::string& output_path);

// The two halves of finish_output: the output written in full (not yet in
// place), then put in place; each reports its failure as finish_output
// does.
[[nodiscard]] bool complete_output(OutputStream* out,
                                   const std::string& output_path);
[[nodiscard]] bool put_output_in_place(OutputStream* out,
                                       const std::string& output_path);

}  // namespace zps
