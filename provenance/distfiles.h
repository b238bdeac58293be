#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "packages/package_record.h"
#include "provenance/port_variables.h"

namespace zps {

// Returns the distfile names of the "SHA256 (<name>) = ..." lines of the
// distinfo text `text`, in order. Lines that do not begin with "SHA256 ",
// lack the brackets or name nothing are skipped.
std::vector<std::string> distinfo_names(std::string_view text);

// Appends to `record->source_distributions` one entry per distfile that
// the port's distinfo file (`vars.distinfo_file`) lists and `distfiles_dir`
// holds as a regular file (at the listed name, DIST_SUBDIR included): the
// URL first_fetch_url gives for it (`master_site`, with a "/" added when it
// lacks one, serving a tree without the ports framework) and the
// Streebog-256 digest of the local copy. Does nothing without a distinfo
// file or a distfiles directory; a distinfo file that cannot be read, a
// distfile without a URL, or one that is missing or not a regular file,
// gives fewer entries.
void collect_source_distributions(PackageRecord* record,
                                  const PortVariables& vars,
                                  std::string_view master_site,
                                  std::string_view distfiles_dir);

}  // namespace zps
