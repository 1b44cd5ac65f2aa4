// make_large_machine FOLDER [--xp]: writes the benchmarks' large machine profile (Vista by
// default; --xp describes the same registry as a Windows XP machine, whose device section
// runs the SCSI device map scan). Prints what a report of it must count.
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/large_machine.h"

int main(int argc, char** argv) {
  std::string folder;
  bench::Generation generation = bench::Generation::kVista;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--xp") == 0)
      generation = bench::Generation::kXp;
    else if (folder.empty() && argv[i][0] != '-')
      folder = argv[i];
    else {
      folder.clear();  // an unknown option or a second folder: show the usage
      break;
    }
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: make_large_machine FOLDER [--xp]\n");
    return 2;
  }
  bench::LargeMachineCounts counts;
  std::string error;
  if (!bench::WriteLargeMachine(folder, generation, bench::LargeMachineShape(), &counts, &error)) {
    std::fprintf(stderr, "make_large_machine: %s\n", error.c_str());
    return 1;
  }
  std::printf(
      "uninstallRecords=%d distinctUninstall=%d qualifyingPackages=%d scsiUnits=%d "
      "cdromUnits=%d\n",
      counts.uninstallRecords, counts.distinctUninstall, counts.qualifyingPackages,
      counts.scsiUnits, counts.cdromUnits);
  return 0;
}
