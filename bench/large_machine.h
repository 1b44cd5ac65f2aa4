// The "large machine" of the benchmarks: a workstation with a registry the size of a busy,
// long-lived installation, written as a machine profile (machine.ini and REGEDIT4 files) so
// that sorvik-replay, the benchmark programs and Wine (regedit /S) all read the same machine.
#pragma once

#include <string>

namespace bench {

// The OS generation the profile's machine.ini describes. Vista runs both software walks
// (uninstall entries and servicing packages) and the Vista device walks; XP runs the
// uninstall walk only and the NT device walks with the SCSI device map scan.
enum class Generation { kVista, kXp };

struct LargeMachineShape {
  int uninstallEntries = 5000;
  int duplicateEvery = 33;  // every 33rd entry repeats an earlier one: about 3%
  int packages = 3000;      // one in three qualifies (client, state and visibility)
  int services = 1000;      // three subkeys each: Enum, Parameters, Security
};

// What a run of the software section on the generated machine must report.
struct LargeMachineCounts {
  int uninstallRecords = 0;    // entries with a DisplayName (before duplicate removal)
  int distinctUninstall = 0;   // after duplicate removal
  int qualifyingPackages = 0;  // lines of the servicing walk (all distinct)
  int scsiUnits = 0;           // units under HARDWARE\DEVICEMAP\Scsi
  int cdromUnits = 0;          // of those, CD-ROM units
};

// Writes PROFILE/machine.ini and PROFILE/*.reg, creating the folder. False with a message when
// a file cannot be written.
bool WriteLargeMachine(const std::string& folder, Generation generation,
                       const LargeMachineShape& shape, LargeMachineCounts* counts,
                       std::string* error);

// Rewrites only machine.ini for another generation (the registry files stay as they are).
bool WriteMachineIni(const std::string& folder, Generation generation, std::string* error);

}  // namespace bench
