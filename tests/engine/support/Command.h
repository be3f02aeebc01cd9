// Runs the tools that make fixture images and the ones whose output the
// engine's facts are compared with.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// Runs argv[0] (searched in PATH) with argv, waits for it and collects what it
// printed.
CommandResult RunCommand(const std::vector<std::string>& argv);

}  // namespace testing_support
