#include "base/files.h"
#include "cli/options.h"
#include "cli/run_driver.h"

int main(int argc, char** argv) {
  // A closed standard stream would be taken by the first file opened.
  if (!zps::open_missing_standard_descriptors()) {
    return 1;
  }
  zps::RunOptions options;
  if (auto status = zps::parse_command_line(argc, argv, &options)) {
    return *status;  // help, usage or a bad option, already reported
  }
  return zps::run_driver(options);
}
