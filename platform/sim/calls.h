// What the program did to the simulated machine, kept for tests and benchmarks to look at.
#pragma once

#include <map>
#include <string>

namespace sim {

// Calls that tests and benchmarks count, by function name ("RegOpenKeyExA", ...).
using CallCounts = std::map<std::string, long>;

// One ShellExecuteA call, as the program made it.
struct ShellCall {
  std::string operation, file, parameters, directory;
  int showCommand = 0;
};

}  // namespace sim
