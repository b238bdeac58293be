#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zps {

// Returns `value` for use between single quotes in a shell command: each
// single quote in it becomes '\'' (close the quote, an escaped quote, open
// it again), so the quoted text stays one literal word. Other bytes are
// unchanged.
std::string shell_quoted_text(std::string_view value);

// Runs `command` through the shell (/bin/sh -c, standard input /dev/null,
// no descriptor of this process but its standard error inherited; safe to
// call from several threads at once) and returns up to
// `max_lines` lines of its standard output, each without its line feed
// (a last line without one counts). A line longer than `max_line_bytes`
// comes back empty, so that every line still maps to its position. Waits
// for the child before returning; its exit status is not used. Returns no
// lines when the shell cannot be started.
std::vector<std::string> read_command_lines(const std::string& command,
                                            size_t max_lines,
                                            size_t max_line_bytes);

}  // namespace zps
