#include "cli/options.h"
#include "cli/run_driver.h"

int main(int argc, char** argv) {
  zps::RunOptions options;
  if (auto status = zps::parse_command_line(argc, argv, &options)) {
    return *status;  // help, usage or a bad option, already reported
  }
  return zps::run_driver(options);
}
