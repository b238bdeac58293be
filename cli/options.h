#pragma once

#include <cstdio>
#include <optional>
#include <string_view>

#include "cli/run_options.h"

namespace zps {

// Writes the usage text, naming the program `program`, to `err`.
void print_usage(std::string_view program, std::FILE* err = stderr);

// Parses the argument vector into `*options` (and sets the process-wide
// verbose flag from it). Returns nothing when the run is to go on, or the
// exit status to end it with after the usage text (and, for an unknown word
// or an option lacking its value, "Unknown option: <word>", or for a -j
// value that is not a positive decimal number, "Invalid job count: <value>",
// or for a --cyclonedx-version other than 1.6 and 1.7, "Invalid CycloneDX
// version: <value>", or for a misplaced --verify, --root, --vuxml or
// --fail-on-vulnerable, "Error: " and what is wrong) has been written to
// `err`: 0 for -h/--help, and for
// --version after "zelkor-pkg-sign <version>" on standard output (no usage
// text then); 1 for no arguments, an unknown word, a bad job count or
// CycloneDX version, or no repository directory. A job count
// above 1024 is taken as 1024. Option words match whole and exactly; there are
// no "--name=value" forms, joined values or bundled flags.
// Requires: options != nullptr; argv holds argc words.
std::optional<int> parse_command_line(int argc, const char* const* argv,
                                      RunOptions* options,
                                      std::FILE* err = stderr);

}  // namespace zps
