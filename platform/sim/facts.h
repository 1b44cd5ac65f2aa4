// What the simulated machine answers besides its registry: version, processor, memory,
// drives, identity, printer, files and time.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace sim {

// A drive letter as GetDriveTypeA, GetDiskFreeSpaceExA and GetDiskFreeSpaceA see it.
struct Drive {
  UINT type = DRIVE_NO_ROOT_DIR;
  bool sizeReadable = true;  // false: both size calls fail
  ULONGLONG totalBytes = 0;
  ULONGLONG freeBytes = 0;  // available to the caller
  DWORD sectorsPerCluster = 8;
  DWORD bytesPerSector = 512;
  DWORD freeClusters = 0;  // what GetDiskFreeSpaceA reports
  DWORD totalClusters = 0;
};

// The SMBIOS table that GetSystemFirmwareTable('RSMB') answers with: described structure by
// structure and built into real bytes (smbios_table.h), or given whole as raw bytes.
struct Smbios {
  bool present = false;  // false: the machine has no table and the call fails
  BYTE majorVersion = 2;
  BYTE minorVersion = 8;
  // Type 1, 2, 3 and 0 texts; an empty one is string number 0, none.
  std::string manufacturer, model, serial, boardSerial, assetTag;
  std::string biosVendor, biosVersion, biosDate;
  // As Windows shows it (8-4-4-4-12); stored in the version's byte order. Empty: all zero.
  std::string uuid;
  BYTE chassisType = 2;  // Unknown
  std::string raw;       // when not empty, the call's whole answer: header and structures
  // How many bytes the table grows (or, negative, shrinks) from the second call on, as when
  // the firmware replaces it between the program's two calls.
  int sizeChange = 0;
};

struct Printer {
  std::string name;
  std::string port;
};

// Everything but the registry. Defaults describe a plain Windows XP SP2 workstation.
struct Facts {
  // GetVersionExA: whether it works with the basic record and with the extended one.
  bool versionWorks = true;
  bool extendedVersionWorks = true;
  DWORD majorVersion = 5;
  DWORD minorVersion = 1;
  DWORD buildNumber = 2600;
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  std::string csdVersion = "Service Pack 2";
  WORD servicePackMajor = 2;
  WORD servicePackMinor = 0;
  WORD suiteMask = VER_SUITE_SINGLEUSERTS;
  BYTE productType = VER_NT_WORKSTATION;

  int serverR2Metric = 0;  // GetSystemMetrics(SM_SERVERR2)

  // Functions that only newer systems export (looked up with GetProcAddress).
  bool hasGetProductInfo = false;
  bool getProductInfoWorks = true;
  DWORD productInfoType = 0;
  bool hasGetNativeSystemInfo = true;
  bool hasGlobalMemoryStatusEx = true;
  bool hasGetDiskFreeSpaceEx = true;
  bool hasGetSystemFirmwareTable = false;

  Smbios smbios;

  // GetSystemInfo; GetNativeSystemInfo reports nativeArchitecture instead.
  WORD processorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  WORD nativeArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  // The program is the shipped 32-bit one unless this says it is the x86_64 test build, which
  // sees a 64-bit Windows' registry without redirection (the e2e tests' 64-bit prefix).
  bool program64Bit = false;
  DWORD processorType = PROCESSOR_INTEL_PENTIUM;
  DWORD numberOfProcessors = 1;

  // Memory: GlobalMemoryStatusEx reports totalPhysBytes; GlobalMemoryStatus the same value
  // held in 32 bits (capped at 4 GB - 1, as on a 32-bit system).
  ULONGLONG totalPhysBytes = 512ull << 20;

  std::array<Drive, 26> drives{};  // A: to Z:

  // Identity
  bool socketsStart = true;
  std::string hostName = "officepc";  // gethostname; 50 characters or more fail
  // The resolver: host name (any case) to its IPv4 addresses in the resolver's order.
  std::map<std::string, std::vector<std::string>> resolver;
  bool computerNameWorks = true;
  std::string computerName = "OFFICE-PC";
  bool userNameWorks = true;
  std::string userName = "anna";

  // Spooler: the default printer, if any (ordinal 201 and EnumPrintersA level 5).
  bool hasDefaultPrinter = false;
  Printer defaultPrinter;

  // Files and time
  std::string modulePath = "C:\\sorvik\\sorvik.exe";
  std::string tempPath = "C:\\TEMP\\";  // with the trailing backslash, as GetTempPathA gives it
  bool tempPathWorks = true;
  // Whether the temporary folder is there: CreateRunFolders makes it unless this is false.
  bool tempFolderExists = true;
  // Host folder of each drive letter for file access; C: defaults to the working folder.
  std::map<char, std::string> driveFolders;
  SYSTEMTIME localTime{2007, 5, 2, 1, 9, 5, 7, 0};
  UINT ansiCodePage = 1252;  // any that sim::IsModelledCodePage accepts (codepage.h)
};

}  // namespace sim
