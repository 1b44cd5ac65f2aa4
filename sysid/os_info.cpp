#include "sysid/os_info.h"

#include <cstring>

#include "common/late_bound.h"
#include "common/registry.h"
#include "common/text.h"
#include "platform/win32.h"

namespace {

enum {
  kBasicRecordSize = 148,
  kExtendedRecordSize = 156,
  kServicePackCapacity = 128,
  kNameCapacity = 1024,
  kEditionCapacity = 80,
  kProductTypeCapacity = 80,
  kProductIdCapacity = 512
};

static_assert(sizeof(OSVERSIONINFOA) == kBasicRecordSize, "basic version record");
static_assert(sizeof(OSVERSIONINFOEXA) == kExtendedRecordSize, "extended version record");

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char kProductOptionsKey[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
const char kSp6aHotfixKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";

// Indexed by the product type that GetProductInfo reports.
const char* const kEditionNames[] = {
    nullptr,
    "Ultimate Edition",
    "Home Basic Edition",
    "Home Premium Edition",
    "Enterprise Edition",
    "Home Basic Edition",
    "Business Edition",
    "Server Standard Edition (full installation)",
    "Server Datacenter Edition (full installation)",
    "Small Business Server",
    "Server Enterprise Edition (full installation)",
    "Starter Edition",
    "Server Datacenter Edition (core installation)",
    "Server Standard Edition (core installation)",
    "Server Enterprise Edition (core installation)",
    "Server Enterprise Edition for Itanium-based Systems",
    "Business Edition",
    "Web Server Edition",
    "Cluster Server Edition",
    "Home Server Edition",
    "Storage Server Express Edition",
    "Storage Server Standard Edition",
    "Storage Server Workgroup Edition",
    "Storage Server Enterprise Edition",
    "Server for Small Business Edition",
    "Small Business Server Premium Edition",
    "Home Premium Edition",
    "Enterprise Edition",
    "Ultimate Edition",
};
const unsigned long kEditionCount = sizeof(kEditionNames) / sizeof(kEditionNames[0]);

bool HasBit(WORD suiteMask, WORD bit) { return (suiteMask & bit) != 0; }

// The edition suffix that the extended record tells.
void AppendExtendedSuffix(char* name, const OSVERSIONINFOEXA& version, WORD architecture) {
  DWORD major = version.dwMajorVersion;
  DWORD minor = version.dwMinorVersion;
  WORD suite = version.wSuiteMask;
  const char* suffix = "";
  if (version.wProductType == VER_NT_WORKSTATION) {
    if (architecture == PROCESSOR_ARCHITECTURE_AMD64)
      suffix = "";
    else if (major == 4)
      suffix = " Workstation 4.0";
    else if (HasBit(suite, VER_SUITE_PERSONAL))
      suffix = " Home Edition";
    else
      suffix = " Professional";
  } else if (version.wProductType == VER_NT_DOMAIN_CONTROLLER ||
             version.wProductType == VER_NT_SERVER) {
    if (major == 5 && minor == 2) {
      if (architecture == PROCESSOR_ARCHITECTURE_IA64) {
        if (HasBit(suite, VER_SUITE_DATACENTER))
          suffix = " Datacenter Edition for Itanium-based Systems";
        else if (HasBit(suite, VER_SUITE_ENTERPRISE))
          suffix = " Enterprise Edition for Itanium-based Systems";
      } else if (architecture == PROCESSOR_ARCHITECTURE_AMD64) {
        if (HasBit(suite, VER_SUITE_DATACENTER))
          suffix = " Datacenter x64 Edition";
        else if (HasBit(suite, VER_SUITE_ENTERPRISE))
          suffix = " Enterprise x64 Edition";
        else
          suffix = " Standard x64 Edition";
      } else {
        if (HasBit(suite, VER_SUITE_DATACENTER))
          suffix = " Datacenter Edition";
        else if (HasBit(suite, VER_SUITE_ENTERPRISE))
          suffix = " Enterprise Edition";
        else if (suite == VER_SUITE_BLADE)
          suffix = " Web Edition";
        else
          suffix = " Standard Edition";
      }
    } else if (major == 5 && minor == 0) {
      if (HasBit(suite, VER_SUITE_DATACENTER))
        suffix = " Datacenter Server";
      else if (HasBit(suite, VER_SUITE_ENTERPRISE))
        suffix = " Advanced Server";
      else
        suffix = " Server";
    } else {
      if (HasBit(suite, VER_SUITE_ENTERPRISE))
        suffix = " Server 4.0, Enterprise Edition";
      else
        suffix = " Server 4.0";
    }
  }
  BoundedAppend(name, suffix, kNameCapacity);
}

// Systems without the extended record keep the product type in the registry only.
bool AppendRegistrySuffix(char* name, const OSVERSIONINFOEXA& version) {
  char productType[kProductTypeCapacity + 1];
  KeyHolder key;
  if (!key.Open(HKEY_LOCAL_MACHINE, kProductOptionsKey, KEY_QUERY_VALUE)) return false;
  bool read = ReadValueText(key.Get(), "ProductType", productType, kProductTypeCapacity);
  key.Close();
  if (!read) return false;

  if (lstrcmpiA(productType, "WINNT") == 0) BoundedAppend(name, " Workstation", kNameCapacity);
  if (lstrcmpiA(productType, "LANMANNT") == 0) BoundedAppend(name, " Server", kNameCapacity);
  if (lstrcmpiA(productType, "SERVERNT") == 0)
    BoundedAppend(name, " Advanced Server", kNameCapacity);

  char versionText[32];
  std::memset(versionText, 0, sizeof(versionText));
  wsprintfA(versionText, " %d.%d", static_cast<int>(version.dwMajorVersion),
            static_cast<int>(version.dwMinorVersion));
  BoundedAppend(name, versionText, kNameCapacity);
  return true;
}

// NT 4.0 reports Service Pack 6a only through the hotfix it shipped with.
bool AppendSp6a(char* name, const OSVERSIONINFOEXA& version, const char* servicePack) {
  if (version.dwMajorVersion != 4) return false;
  if (lstrcmpiA(servicePack, "Service Pack 6") != 0) return false;
  KeyHolder hotfix;
  if (!hotfix.Open(HKEY_LOCAL_MACHINE, kSp6aHotfixKey, KEY_QUERY_VALUE)) return false;
  BoundedAppend(name, " Service Pack 6a", kNameCapacity);
  return true;
}

void Append9xName(char* name, const OSVERSIONINFOEXA& version, const char* servicePack) {
  if (version.dwMajorVersion != 4) return;
  char release = servicePack[1];  // the area is 128 zero-filled characters: [1] always exists
  if (version.dwMinorVersion == 0) {
    BoundedAppend(name, "Windows 95", kNameCapacity);
    if (release == 'C' || release == 'B') BoundedAppend(name, " OSR2", kNameCapacity);
  } else if (version.dwMinorVersion == 10) {
    BoundedAppend(name, "Windows 98", kNameCapacity);
    if (release == 'A' || release == 'B') BoundedAppend(name, " SE", kNameCapacity);
  } else if (version.dwMinorVersion == 90) {
    BoundedAppend(name, "Windows ME", kNameCapacity);
  }
}

}  // namespace

int COsInfo::GetOsGeneration() {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = kBasicRecordSize;
  if (!GetVersionExA(&version)) return kOsWinXp;

  if (version.dwPlatformId == VER_PLATFORM_WIN32s) return kOsWin32s;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (version.dwMinorVersion == 0) return kOsWin95;
    if (version.dwMinorVersion == 10) return kOsWin98;
    return kOsWinMe;
  }
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return kOsWinXp;
  if (version.dwMajorVersion > 5) return kOsVista;
  if (version.dwMajorVersion != 5) return kOsNt4;
  if (version.dwMinorVersion == 0) return kOsWin2000;
  if (version.dwMinorVersion == 1) return kOsWinXp;
  return kOsServer2003;
}

bool COsInfo::GetOsFullName(char* output, int capacity) {
  char name[kNameCapacity + 1];
  char edition[kEditionCapacity + 1];
  char servicePack[kServicePackCapacity + 1];
  std::memset(name, 0, sizeof(name));
  std::memset(edition, 0, sizeof(edition));
  std::memset(servicePack, 0, sizeof(servicePack));

  OSVERSIONINFOEXA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = kExtendedRecordSize;
  bool extended = GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&version)) != FALSE;
  if (!extended) {
    version.dwOSVersionInfoSize = kBasicRecordSize;
    if (!GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&version))) return false;
  }
  // A terminated copy, whatever the record holds.
  BoundedCopy(servicePack, version.szCSDVersion, kServicePackCapacity);

  DWORD major = version.dwMajorVersion;
  DWORD minor = version.dwMinorVersion;
  // Learnt only for NT 5.2; elsewhere it must count as neither IA64 nor AMD64.
  WORD architecture = PROCESSOR_ARCHITECTURE_UNKNOWN;

  if (version.dwPlatformId == VER_PLATFORM_WIN32s) {
    BoundedAppend(name, "Win32s", kNameCapacity);
  } else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    Append9xName(name, version, servicePack);
  } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    bool named = false;  // the Vista edition name is complete as it is
    if (major == 6 && minor == 0) {
      BoundedAppend(name,
                    version.wProductType == VER_NT_WORKSTATION ? "Windows Vista"
                                                               : "Windows Server \"Longhorn\"",
                    kNameCapacity);
      PGETPRODUCTINFO getProductInfo =
          LookUpFunction<PGETPRODUCTINFO>(GetModuleHandleA("KERNEL32.DLL"), "GetProductInfo");
      DWORD productType = 0;
      if (getProductInfo != nullptr && getProductInfo(6, 0, 0, 0, &productType)) {
        GetEditionName(productType, edition, kEditionCapacity);
        BoundedAppend(name, " ", kNameCapacity);
        BoundedAppend(name, edition, kNameCapacity);
        named = true;
      }
    } else if (major == 5 && minor == 2) {
      PGETNATIVESYSTEMINFO getNativeSystemInfo = LookUpFunction<PGETNATIVESYSTEMINFO>(
          GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo");
      if (getNativeSystemInfo != nullptr) {
        SYSTEM_INFO system;
        std::memset(&system, 0, sizeof(system));
        getNativeSystemInfo(&system);
        architecture = system.wProcessorArchitecture;
      }
      if (GetSystemMetrics(SM_SERVERR2) != 0)
        BoundedAppend(name, "Windows Server 2003 \"R2\"", kNameCapacity);
      else if (version.wProductType == VER_NT_WORKSTATION &&
               architecture == PROCESSOR_ARCHITECTURE_AMD64)
        BoundedAppend(name, "Windows XP Professional x64 Edition", kNameCapacity);
      else
        BoundedAppend(name, "Windows Server 2003", kNameCapacity);
    } else if (major == 5 && minor == 1) {
      BoundedAppend(name, "Windows XP", kNameCapacity);
    } else if (major == 5 && minor == 0) {
      BoundedAppend(name, "Windows 2000", kNameCapacity);
    } else if (major <= 4) {
      BoundedAppend(name, "Windows NT", kNameCapacity);
    }

    if (!named) {
      if (extended) {
        AppendExtendedSuffix(name, version, architecture);
      } else if (!AppendRegistrySuffix(name, version)) {
        return false;
      }
      if (!AppendSp6a(name, version, servicePack)) {
        BoundedAppend(name, " ", kNameCapacity);
        BoundedAppend(name, servicePack, kNameCapacity);
      }
    }
  }

  BoundedCopy(output, name, capacity);
  return true;
}

bool COsInfo::GetProductId(char* output, int capacity) {
  char productId[kProductIdCapacity + 1];
  KeyHolder key;
  if (!key.Open(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_QUERY_VALUE)) return false;
  if (!ReadValueText(key.Get(), "ProductId", productId, kProductIdCapacity)) return false;
  BoundedCopy(output, productId, capacity);
  return true;
}

bool COsInfo::GetVersionData(int* major, int* minor, int* platformId, char* servicePack,
                             int capacity) {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = kBasicRecordSize;
  if (!GetVersionExA(&version)) return false;

  char csd[kServicePackCapacity + 1];
  std::memset(csd, 0, sizeof(csd));
  BoundedCopy(csd, version.szCSDVersion, kServicePackCapacity);

  *major = static_cast<int>(version.dwMajorVersion);
  *minor = static_cast<int>(version.dwMinorVersion);
  *platformId = static_cast<int>(version.dwPlatformId);
  BoundedCopy(servicePack, csd, capacity);
  return true;
}

bool COsInfo::GetEditionName(unsigned long productType, char* output, int capacity) {
  const char* edition = "Unknown Edition";
  if (productType < kEditionCount && kEditionNames[productType] != nullptr)
    edition = kEditionNames[productType];
  BoundedCopy(output, edition, capacity);
  return true;
}
