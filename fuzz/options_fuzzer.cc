// Any argument vector: parsing ends with a run to do or a status, and a run
// always has a repository directory.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words = zps::split_at_nul(
      std::string_view(reinterpret_cast<const char*>(data), size), 64);
  std::vector<const char*> argv = {"zelkor-pkg-sign"};
  for (const std::string& w : words) {
    argv.push_back(w.c_str());
  }
  zps::RunOptions options;
  std::optional<int> status = zps::parse_command_line(
      static_cast<int>(argv.size()), argv.data(), &options, zps::null_stream());
  if (status) {
    zps::require(*status == 0 || *status == 1, "status 0 or 1");
  } else {
    zps::require(!options.repo_dirs.empty(), "a run has a repository");
  }
  return 0;
}
