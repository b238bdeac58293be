#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "packages/package_record.h"

namespace zps {

// Returns the distfile names of the "SHA256 (<name>) = ..." lines of the
// distinfo text `text`, in order. Lines that do not begin with "SHA256 ",
// lack the brackets or name nothing are skipped.
std::vector<std::string> distinfo_names(std::string_view text);

// Appends to `record->source_distributions` one entry per distfile that
// `distinfo_file` lists and `distfiles_dir` holds as a regular file: the
// download URL (`master_site`, a "/", the name) and the Streebog-256 digest
// of the local copy. Does nothing without a master site, a distinfo file or
// a distfiles directory; a distinfo file that cannot be read, or a distfile
// that is missing or not a regular file, gives fewer entries.
void collect_source_distributions(PackageRecord* record,
                                  std::string_view master_site,
                                  const std::string& distinfo_file,
                                  std::string_view distfiles_dir);

}  // namespace zps
