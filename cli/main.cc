#include "base/files.h"
#include "base/output.h"
#include "cli/options.h"
#include "cli/run_driver.h"

int main(int argc, char** argv) {
  // Before the first allocation: a failed one ends the run cleanly.
  zps::install_output_cleanup();
  // A closed standard stream would be taken by the first file opened.
  if (!zps::open_missing_standard_descriptors()) {
    return zps::run_ended(1);
  }
  zps::RunOptions options;
  if (auto status = zps::parse_command_line(argc, argv, &options)) {
    return zps::run_ended(*status);  // help, usage or a bad option, reported
  }
  return zps::run_ended(zps::run_driver(options));
}
