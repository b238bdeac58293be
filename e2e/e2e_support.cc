#include "e2e/e2e_support.h"

namespace zps {

std::string realistic_manifest(std::string_view name, std::string_view version,
                               std::string_view files_json) {
  const std::string n(name);
  const std::string v(version);
  return "{\"name\":\"" + n + "\",\"origin\":\"sysutils/" + n +
         "\",\"version\":\"" + v + "\",\"comment\":\"The " + n +
         " utility\",\"maintainer\":\"ports@example.org\",\"www\":"
         "\"https://example.org/" +
         n +
         "\",\"abi\":\"FreeBSD:14:amd64\",\"arch\":\"freebsd:14:x86:64\","
         "\"prefix\":\"/usr/local\",\"flatsize\":48213,\"licenselogic\":"
         "\"single\",\"licenses\":[\"BSD2CLAUSE\"],\"desc\":\"" +
         n +
         " does one thing well.\",\"deps\":{\"libfoo\":{\"origin\":\"devel/"
         "libfoo\",\"version\":\"2.3.1\"}},\"categories\":[\"sysutils\"],"
         "\"options\":{\"DOCS\":\"on\"},\"annotations\":{\"FreeBSD_version\":"
         "\"1402000\",\"ports_top_git_hash\":\"5f0c2a1b9e8d\"},\"files\":" +
         std::string(files_json) + ",\"directories\":{\"/usr/local/share/" + n +
         "\":{\"uname\":\"root\",\"gname\":\"wheel\",\"perm\":\"0755\"}}}";
}

std::string found_line(size_t count, std::string_view scan_dir) {
  return "Found " + std::to_string(count) + " packages in \"" +
         std::string(scan_dir) + "\"\n";
}

std::string done_line(size_t packages, size_t checksums) {
  return "Done: " + std::to_string(packages) + " packages, " +
         std::to_string(checksums) + " file checksums written.\n";
}

}  // namespace zps
