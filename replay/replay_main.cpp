// sorvik-replay PROFILE_DIR [COMMAND LINE...]: runs the system over a recorded machine and
// writes the report that sorvik.exe would write on it.
// sorvik-replay --registry PROFILE_DIR: prints the registry the profile makes instead (see
// ListRegistry), for tools that would otherwise read the profile's .reg files themselves.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/run.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile.h"

int main(int argc, char** argv) {
  bool listRegistry = argc == 3 && std::strcmp(argv[1], "--registry") == 0;
  if (argc < 2 || (std::strcmp(argv[1], "--registry") == 0 && !listRegistry)) {
    std::fprintf(stderr,
                 "usage: sorvik-replay PROFILE_DIR [COMMAND LINE...]\n"
                 "       sorvik-replay --registry PROFILE_DIR\n");
    return 2;
  }
  const char* profile = argv[listRegistry ? 2 : 1];
  sim::Machine machine;
  std::string error;
  if (!sim::LoadProfile(profile, &machine, &error)) {
    std::fprintf(stderr, "sorvik-replay: %s\n", error.c_str());
    return 2;
  }
  if (listRegistry) {
    std::string listing = sim::ListRegistry(machine.registry);
    std::fwrite(listing.data(), 1, listing.size(), stdout);
    return 0;
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
