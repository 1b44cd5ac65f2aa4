// Version records, system information, modules and the functions looked up at run time,
// memory and drives.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/sim/internal.h"
#include "platform/sim/smbios_table.h"
#include "platform/win32.h"

using sim::Facts;
using sim::Machine;

namespace {

const DWORD kBasicVersionSize = sizeof(OSVERSIONINFOA);
const DWORD kExtendedVersionSize = sizeof(OSVERSIONINFOEXA);
static_assert(sizeof(OSVERSIONINFOA) == 148, "the basic version record is 148 bytes");
static_assert(sizeof(OSVERSIONINFOEXA) == 156, "the extended version record is 156 bytes");
static_assert(sizeof(MEMORYSTATUS) == 32, "MEMORYSTATUS of the 32-bit program");
static_assert(sizeof(MEMORYSTATUSEX) == 64, "MEMORYSTATUSEX is 64 bytes");

// The module handles the machine hands out (their load addresses on a 32-bit Windows).
HMODULE const kExeModule = sim::ModuleAt(sim::kExeBase);
HMODULE const kKernel32 = sim::ModuleAt(sim::kKernel32Base);
HMODULE const kWinspool = sim::ModuleAt(sim::kWinspoolBase);

// A module name as the loader matches it: any case, ".dll" implied when no extension is given.
HMODULE KnownModule(LPCSTR name) {
  std::string file = name;
  size_t slash = file.find_last_of("\\/");
  if (slash != std::string::npos) file = file.substr(slash + 1);
  if (file.find('.') == std::string::npos) file += ".dll";
  if (sim::EqualNoCase(file, "kernel32.dll")) return kKernel32;
  if (sim::EqualNoCase(file, "winspool.drv")) return kWinspool;
  return nullptr;
}

void FillSystemInfo(const Facts& facts, WORD architecture, LPSYSTEM_INFO info) {
  std::memset(info, 0, sizeof(*info));
  info->wProcessorArchitecture = architecture;
  info->dwPageSize = 4096;
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x00010000);
  info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFEFFFF);
  DWORD count = std::min<DWORD>(facts.numberOfProcessors, 32);
  info->dwActiveProcessorMask = count >= 32 ? 0xFFFFFFFFu : ((DWORD_PTR(1) << count) - 1);
  info->dwNumberOfProcessors = facts.numberOfProcessors;
  info->dwProcessorType = facts.processorType;
  info->dwAllocationGranularity = 65536;
  info->wProcessorLevel = 6;
}

BOOL WINAPI SimGetProductInfo(DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor,
                              PDWORD productType) {
  (void)major, (void)minor, (void)spMajor, (void)spMinor;
  Machine& machine = sim::Enter("GetProductInfo");
  if (productType == nullptr) return sim::Fail(machine, sim::kErrorInvalidParameter, FALSE);
  if (!machine.facts.getProductInfoWorks) return FALSE;
  *productType = machine.facts.productInfoType;
  return TRUE;
}

void WINAPI SimGetNativeSystemInfo(LPSYSTEM_INFO info) {
  Machine& machine = sim::Enter("GetNativeSystemInfo");
  FillSystemInfo(machine.facts, machine.facts.nativeArchitecture, info);
}

BOOL WINAPI SimGlobalMemoryStatusEx(LPMEMORYSTATUSEX status) {
  Machine& machine = sim::Enter("GlobalMemoryStatusEx");
  if (status->dwLength != sizeof(MEMORYSTATUSEX))
    return sim::Fail(machine, sim::kErrorInvalidParameter, FALSE);
  ULONGLONG total = machine.facts.totalPhysBytes;
  status->dwMemoryLoad = 50;
  status->ullTotalPhys = total;
  status->ullAvailPhys = total / 2;
  status->ullTotalPageFile = total * 2;
  status->ullAvailPageFile = total;
  status->ullTotalVirtual = 0x7FFE0000;
  status->ullAvailVirtual = 0x7FF00000;
  status->ullAvailExtendedVirtual = 0;
  return TRUE;
}

// The drive that a root path names, or nullptr when it names none with a root folder.
const sim::Drive* DriveWithRoot(const Facts& facts, LPCSTR rootPath) {
  int index = sim::DriveIndex(rootPath != nullptr ? rootPath : "C:\\");
  if (index < 0) return nullptr;
  const sim::Drive& drive = facts.drives[static_cast<size_t>(index)];
  if (drive.type == DRIVE_UNKNOWN || drive.type == DRIVE_NO_ROOT_DIR) return nullptr;
  return &drive;
}

BOOL WINAPI SimGetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller,
                                   PULARGE_INTEGER total, PULARGE_INTEGER totalFree) {
  Machine& machine = sim::Enter("GetDiskFreeSpaceExA");
  const sim::Drive* drive = DriveWithRoot(machine.facts, directory);
  if (drive == nullptr) return sim::Fail(machine, ERROR_PATH_NOT_FOUND, FALSE);
  if (!drive->sizeReadable) return sim::Fail(machine, sim::kErrorNotReady, FALSE);
  if (freeToCaller != nullptr) freeToCaller->QuadPart = drive->freeBytes;
  if (total != nullptr) total->QuadPart = drive->totalBytes;
  if (totalFree != nullptr) totalFree->QuadPart = drive->freeBytes;
  return TRUE;
}

const DWORD kRawSmbiosProvider = 0x52534D42;  // 'RSMB'
const DWORD kErrorNotFound = 1168;

// Like Windows: a buffer too small (or none) gets the size needed and nothing copied.
UINT WINAPI SimGetSystemFirmwareTable(DWORD provider, DWORD tableId, LPVOID buffer, DWORD size) {
  (void)tableId;  // RSMB has the one table
  Machine& machine = sim::Enter("GetSystemFirmwareTable");
  const sim::Smbios& smbios = machine.facts.smbios;
  if (provider != kRawSmbiosProvider) return sim::Fail(machine, sim::kErrorInvalidFunction, 0u);
  if (!smbios.present) return sim::Fail(machine, kErrorNotFound, 0u);
  std::string table = sim::BuildSmbiosAnswer(smbios);
  if (machine.calls["GetSystemFirmwareTable"] > 1 && smbios.sizeChange != 0) {
    long changed = static_cast<long>(table.size()) + smbios.sizeChange;
    table.resize(static_cast<size_t>(std::max(changed, 0L)), '\0');
  }
  UINT needed = static_cast<UINT>(table.size());
  if (buffer == nullptr || size < needed)
    return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, needed);
  std::memcpy(buffer, table.data(), table.size());
  return needed;
}

FARPROC AsFarProc(void* function) { return reinterpret_cast<FARPROC>(function); }

}  // namespace

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  Machine& machine = sim::Enter("GetVersionExA");
  const Facts& facts = machine.facts;
  if (lpVersionInformation == nullptr) return sim::Fail(machine, sim::kErrorInvalidParameter, 0);
  DWORD size = lpVersionInformation->dwOSVersionInfoSize;
  bool extended = size == kExtendedVersionSize;
  if (!facts.versionWorks || (size != kBasicVersionSize && !extended) ||
      (extended && !facts.extendedVersionWorks))
    return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, FALSE);
  LPOSVERSIONINFOA info = lpVersionInformation;
  info->dwMajorVersion = facts.majorVersion;
  info->dwMinorVersion = facts.minorVersion;
  info->dwBuildNumber = facts.buildNumber;
  info->dwPlatformId = facts.platformId;
  std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
  facts.csdVersion.copy(info->szCSDVersion, sizeof(info->szCSDVersion) - 1);
  if (extended) {
    LPOSVERSIONINFOEXA ex = reinterpret_cast<LPOSVERSIONINFOEXA>(info);
    ex->wServicePackMajor = facts.servicePackMajor;
    ex->wServicePackMinor = facts.servicePackMinor;
    ex->wSuiteMask = facts.suiteMask;
    ex->wProductType = facts.productType;
    ex->wReserved = 0;
  }
  return TRUE;
}

int WINAPI GetSystemMetrics(int nIndex) {
  Machine& machine = sim::Enter("GetSystemMetrics");
  return nIndex == SM_SERVERR2 ? machine.facts.serverR2Metric : 0;
}

void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
  Machine& machine = sim::Enter("GetSystemInfo");
  FillSystemInfo(machine.facts, machine.facts.processorArchitecture, lpSystemInfo);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  Machine& machine = sim::Enter("GetModuleHandleA");
  if (lpModuleName == nullptr) return kExeModule;
  HMODULE module = KnownModule(lpModuleName);
  return module != nullptr ? module : sim::Fail(machine, sim::kErrorModNotFound, module);
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  Machine& machine = sim::Enter("GetProcAddress");
  const Facts& facts = machine.facts;
  // Names below 0x10000 are ordinals; the kernel functions are only looked up by name.
  if (hModule != kKernel32 || reinterpret_cast<ULONG_PTR>(lpProcName) < 0x10000)
    return sim::Fail(machine, sim::kErrorProcNotFound, FARPROC(nullptr));
  std::string name = lpProcName;  // exported names are matched exactly, as Windows does
  if (name == "GetProductInfo" && facts.hasGetProductInfo)
    return AsFarProc(reinterpret_cast<void*>(&SimGetProductInfo));
  if (name == "GetNativeSystemInfo" && facts.hasGetNativeSystemInfo)
    return AsFarProc(reinterpret_cast<void*>(&SimGetNativeSystemInfo));
  if (name == "GlobalMemoryStatusEx" && facts.hasGlobalMemoryStatusEx)
    return AsFarProc(reinterpret_cast<void*>(&SimGlobalMemoryStatusEx));
  if (name == "GetDiskFreeSpaceExA" && facts.hasGetDiskFreeSpaceEx)
    return AsFarProc(reinterpret_cast<void*>(&SimGetDiskFreeSpaceExA));
  if (name == "GetSystemFirmwareTable" && facts.hasGetSystemFirmwareTable)
    return AsFarProc(reinterpret_cast<void*>(&SimGetSystemFirmwareTable));
  return sim::Fail(machine, sim::kErrorProcNotFound, FARPROC(nullptr));
}

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
  Machine& machine = sim::Enter("lstrcmpiA");
  if (lpString1 == nullptr || lpString2 == nullptr)
    return lpString1 == lpString2 ? 0 : (lpString1 == nullptr ? -1 : 1);
  // Windows compares linguistically; equality is what matters here, every letter folded.
  return sim::CompareNames(lpString1, lpString2, machine.facts.ansiCodePage);
}

void WINAPI GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer) {
  Machine& machine = sim::Enter("GlobalMemoryStatus");
  ULONGLONG total = machine.facts.totalPhysBytes;
  auto capped = [](ULONGLONG bytes) {
    return static_cast<DWORD>(std::min<ULONGLONG>(bytes, 0xFFFFFFFFu));
  };
  lpBuffer->dwLength = sizeof(MEMORYSTATUS);
  lpBuffer->dwMemoryLoad = 50;
  lpBuffer->dwTotalPhys = capped(total);
  lpBuffer->dwAvailPhys = capped(total / 2);
  lpBuffer->dwTotalPageFile = capped(total * 2);
  lpBuffer->dwAvailPageFile = capped(total);
  lpBuffer->dwTotalVirtual = 0x7FFE0000;
  lpBuffer->dwAvailVirtual = 0x7FF00000;
}

UINT WINAPI GetDriveTypeA(LPCSTR lpRootPathName) {
  Machine& machine = sim::Enter("GetDriveTypeA");
  int index = sim::DriveIndex(lpRootPathName != nullptr ? lpRootPathName : "C:\\");
  if (index < 0) return DRIVE_NO_ROOT_DIR;
  return machine.facts.drives[static_cast<size_t>(index)].type;
}

BOOL WINAPI GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster,
                              LPDWORD lpBytesPerSector, LPDWORD lpNumberOfFreeClusters,
                              LPDWORD lpTotalNumberOfClusters) {
  Machine& machine = sim::Enter("GetDiskFreeSpaceA");
  const sim::Drive* drive = DriveWithRoot(machine.facts, lpRootPathName);
  if (drive == nullptr) return sim::Fail(machine, ERROR_PATH_NOT_FOUND, FALSE);
  if (!drive->sizeReadable) return sim::Fail(machine, sim::kErrorNotReady, FALSE);
  if (lpSectorsPerCluster != nullptr) *lpSectorsPerCluster = drive->sectorsPerCluster;
  if (lpBytesPerSector != nullptr) *lpBytesPerSector = drive->bytesPerSector;
  if (lpNumberOfFreeClusters != nullptr) *lpNumberOfFreeClusters = drive->freeClusters;
  if (lpTotalNumberOfClusters != nullptr) *lpTotalNumberOfClusters = drive->totalClusters;
  return TRUE;
}
