// The machine.ini loader, then a whole run over the machine it describes (on a small fixed
// registry): any text is accepted or refused with its line named, and the program survives
// whatever facts were accepted.
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/sim/profile.h"

const char kRegistry[] =
    "REGEDIT4\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
    "\"ProcessorNameString\"=\"Intel(R) Pentium(R) 4 CPU 2.80GHz\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Editor]\n"
    "\"DisplayName\"=\"Example Editor\"\n";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  sim::Machine machine;
  std::string error;
  if (!sim::ParseMachineIni(text, "machine.ini", fuzz::HostFolder::Path(), &machine, &error)) {
    FUZZ_CHECK(error.compare(0, 12, "machine.ini:") == 0);
    return 0;
  }
  FUZZ_CHECK(sim::ImportRegText(kRegistry, "base.reg", machine.facts.ansiCodePage,
                                &machine.registry, &error));
  fuzz::RunAndCheck(&machine);
  return 0;
}
