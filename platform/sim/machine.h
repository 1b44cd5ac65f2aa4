// The simulated Windows machine, put together from its parts: the registry store
// (registry.h), every other fact that the program asks the system (facts.h), the
// fault plan (faults.h) and what the program did to it (calls.h). The Win32
// functions declared in platform/win32.h act on the machine installed with
// sim::Install.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "platform/sim/calls.h"
#include "platform/sim/facts.h"
#include "platform/sim/faults.h"
#include "platform/sim/registry.h"
#include "platform/win32.h"

namespace sim {

// One open registry handle. The key is found again by its path on every use, so a key deleted
// while open is reported as deleted instead of being read after it is gone.
struct OpenKey {
  HKEY root = nullptr;
  std::string path;  // root-relative, as the caller spelled it
  REGSAM access = 0;
};

// What the Win32 functions keep between calls: the storage behind the records they hand out
// (valid until the next call of the same function, as on Windows).
struct SimState {
  std::map<ULONG_PTR, OpenKey> handles;
  ULONG_PTR nextHandle = 0x100;
  hostent host{};
  std::string hostName;
  std::vector<std::array<char, 8>> hostAddresses;  // 4 address bytes, padded
  std::vector<char*> hostAddressList;
  char* hostAliases[1] = {nullptr};
  std::string printerName, printerPort;
  char dottedAddress[16] = {};
  UINT nextTempNumber = 1;
};

class Machine {
 public:
  Machine();
  Registry registry;
  Facts facts;
  std::vector<Fault> faults;  // the fault plan, empty on a sound machine

  // What the program did to the machine.
  std::vector<ShellCall> shellCalls;
  CallCounts calls;
  std::vector<std::string> openedKeyPaths;  // root-relative paths of successful opens
  DWORD lastError = 0;                      // what GetLastError would say after a failed call
  int socketStarts = 0;  // successful WSAStartup calls not yet matched by WSACleanup

  int OpenHandleCount() const;  // registry handles opened and not yet closed

  SimState state;  // kept by the Win32 functions; tests have no need to look
};

// Installs the machine that the Win32 functions act on (not owned); nullptr uninstalls.
// Without an installed machine the functions act on a default one (an empty registry and the
// default Facts), so that pure helpers like wsprintfA work in any test.
void Install(Machine* machine);
Machine& Current();

// Creates the host folders that a real machine with these facts has before the program runs:
// the program's folder (of modulePath) and, unless tempFolderExists is false, the temporary
// folder. Folders on drives without a host folder are left alone. False, with the reason, when
// a folder can't be made.
bool CreateRunFolders(const Machine& machine, std::string* error);

// Maps a Windows path ("C:\out\r.xml") to the host path the machine keeps it at.
// False when the drive letter has no host folder.
bool HostPath(const std::string& windowsPath, std::string* hostPath);

}  // namespace sim
