#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zps {

// Returns the CPE 2.3 formatted string of the CPE 2.3 name `name`, as the
// ports framework writes it into the `cpe` annotation:
// "cpe:2.3:PART:VENDOR:PRODUCT:VERSION:UPDATE:EDITION:LANG:SW_EDITION:
// TARGET_SW:TARGET_HW:OTHER" with its trailing empty attributes cut and
// values mostly written bare. The result has all eleven attributes: a
// missing or empty one is "*"; "*" (any) and "-" (not applicable) stay;
// any other value is checked against the grammar of the formatted string,
// bare punctuation that the grammar takes only escaped gets its "\", and
// the escapes of ".", "-" and "_" (which the formatted string writes bare)
// are dropped. PART is "a", "o", "h", "*" or "-"; LANG a language tag
// (two or three letters, then "-" and two letters or three digits) or a
// logical value; PRODUCT must be a value, so that no name matches every
// product. An unescaped "*" or "?" is taken as a wildcard only at the start
// or end of a value.
// Returns nothing when `name` is not such a name: another prefix (a CPE
// 2.2 URI "cpe:/..." included), more than eleven attributes, a byte the
// grammar forbids (a space, a control byte, a byte above 0x7F), an escape
// of a letter, digit or nothing, or a value that breaks the rules above.
std::optional<std::string> cpe23_formatted_string(std::string_view name);

}  // namespace zps
