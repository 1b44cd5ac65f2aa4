// sorvik-replay PROFILE_DIR [COMMAND LINE...]: runs the system over a recorded machine and
// writes the report that sorvik.exe would write on it.
#include <cstdio>
#include <string>

#include "app/run.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: sorvik-replay PROFILE_DIR [COMMAND LINE...]\n");
    return 2;
  }
  sim::Machine machine;
  std::string error;
  if (!sim::LoadProfile(argv[1], &machine, &error)) {
    std::fprintf(stderr, "sorvik-replay: %s\n", error.c_str());
    return 2;
  }
  // A real machine has the program's folder and its temporary folder before the run.
  if (!sim::CreateRunFolders(machine, &error)) {
    std::fprintf(stderr, "sorvik-replay: %s\n", error.c_str());
    return 2;
  }
  // Windows hands a windowed program the text after its own name; the words join with blanks.
  std::string commandLine;
  for (int i = 2; i < argc; ++i) {
    if (i > 2) commandLine += ' ';
    commandLine += argv[i];
  }
  sim::Install(&machine);
  int status = SorvikMain(commandLine.c_str());
  sim::Install(nullptr);
  // A key left open is a leak on a real machine; the replayed run must not hide it.
  if (machine.OpenHandleCount() != 0) {
    std::fprintf(stderr, "sorvik-replay: %d registry keys left open\n", machine.OpenHandleCount());
    return 3;
  }
  return status;
}
