// The machine.ini loader, then a whole run over the machine it describes (on a small fixed
// registry): the loader must accept or refuse any text with a located error, and the program
// must survive whatever facts it accepted.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/replay_check.h"
#include "platform/sim/profile.h"

namespace {

const char kRegistry[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n"
    "\"ProductId\"=\"55274-640-1234567-23456\"\n"
    "\"RegisteredOwner\"=\"anna\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions]\n"
    "\"ProductType\"=\"WinNT\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
    "\"ProcessorNameString\"=\"Intel(R) Pentium(R) 4 CPU 2.80GHz\"\n"
    "\"Identifier\"=\"x86 Family 15 Model 2 Stepping 9\"\n"
    "\"~MHz\"=dword:00000af0\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\e100b\\Enum]\n"
    "\"0\"=\"PCI\\\\VEN_8086\\\\1\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_8086\\1]\n"
    "\"Class\"=\"Net\"\n"
    "\"DeviceDesc\"=\"Intel PRO/100\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Editor]\n"
    "\"DisplayName\"=\"Example Editor\"\n"
    "\"DisplayVersion\"=\"2.1\"\n"
    "\"Publisher\"=\"Example Soft\"\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::HostFolder folder;
  sim::Machine machine;
  std::string error;
  bool loaded =
      sim::ParseMachineIni(text, "machine.ini", fuzz::HostFolder::Path(), &machine, &error);
  if (!loaded) {
    FUZZ_CHECK(error.compare(0, 12, "machine.ini:") == 0);
    return 0;
  }
  FUZZ_CHECK(sim::IsModelledCodePage(machine.facts.ansiCodePage));
  FUZZ_CHECK(sim::ImportRegText(kRegistry, "base.reg", machine.facts.ansiCodePage,
                                &machine.registry, &error));
  fuzz::ConfineFiles(&machine);
  fuzz::RunAndCheckReport(&machine);
  return 0;
}
