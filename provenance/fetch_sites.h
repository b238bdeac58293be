#pragma once

#include <string>
#include <string_view>

#include "provenance/port_variables.h"

namespace zps {

// Returns the host of `url`: what lies between "://" and the next "/",
// without a user part or a port; empty when the URL has no "://".
std::string_view url_host(std::string_view url);

// True when `host` is `domain` or a host under it ("codeload.github.com"
// under "github.com"), ignoring ASCII case.
[[nodiscard]] bool is_host_in_domain(std::string_view host,
                                     std::string_view domain);

// Returns the URL the ports framework's fetch tries first for the distinfo
// entry `distinfo_name` of the port whose variables are `vars`, skipping
// the project's distfile cache (distcache.FreeBSD.org); empty when there
// is none. The entry is the name in the distinfo file, which begins with
// DIST_SUBDIR and a "/" when the port sets one; the URL does not carry it.
//
// With the framework (DISTFILES or PATCHFILES set), the entry is looked up
// among the port's distfiles, then its patch files; a file is fetched from
// the sites of its own groups (":group,..." after its name; DEFAULT when
// none), in the framework's order: the override sites, then the sites of
// the groups as MASTER_SORT_REGEX orders them. A file that neither list
// names, or whose groups have no site, gets no URL. Without the framework,
// the URL is `fallback_site` (which must end in "/" or be empty, for none)
// followed by the name without DIST_SUBDIR.
std::string first_fetch_url(const PortVariables& vars,
                            std::string_view distinfo_name,
                            std::string_view fallback_site);

}  // namespace zps
