#pragma once

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace zps {

// Returns the body of a JSON string literal for the bytes of `text`, without
// the enclosing quotes: tab, line feed and carriage return as \t, \n and \r,
// the double quote and the backslash behind a backslash, every other byte
// below 0x20 as \u00xx (lower-case hex), well-formed UTF-8 (0x7F included)
// unchanged, and each maximal subpart of a sequence that is not UTF-8 as
// one U+FFFD, so that the text is valid JSON for a strict reader.
std::string json_escape(std::string_view text);

// Writes `value` to `out` as a JSON string: a double quote, json_escape of
// the value and a double quote.
void write_json_string(std::FILE* out, std::string_view value);

// Returns "SPDXRef-" followed by one byte per byte of `name`: ASCII letters,
// digits, "-" and "." as they are, every other byte as "-".
std::string spdx_id(std::string_view name);

// Returns `when` as UTC in the form YYYY-MM-DDTHH:MM:SSZ.
std::string format_utc_timestamp(std::time_t when);

// Returns the current time as format_utc_timestamp gives it.
std::string utc_timestamp();

// The latest time the timestamp form can write: 9999-12-31T23:59:59Z.
inline constexpr std::time_t kLatestTimestamp = 253402300799;

// Returns the time `seconds` (a SOURCE_DATE_EPOCH value: decimal digits
// only, at most kLatestTimestamp) as format_utc_timestamp gives it, or
// nothing when it is not of that form.
std::optional<std::string> epoch_timestamp(std::string_view seconds);

}  // namespace zps
