#include "sysid/os_info.h"

#include <cstddef>
#include <cstring>

#include "common/capacities.h"
#include "common/late_bound.h"
#include "common/registry.h"
#include "common/system.h"
#include "common/text.h"
#include "platform/win32.h"

namespace {

// The sizes that the two version records announce in dwOSVersionInfoSize.
enum { kBasicRecordSize = 148, kExtendedRecordSize = 156 };

typedef char OsName[kOsNameCapacity + 1];
typedef char ServicePackText[kServicePackTextCapacity + 1];

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

// The editions of NT 6.1 and later by the product type that GetProductInfo reports, worded as
// Windows 10 and 11 name them; kEditions7 and kEditions8 hold what Windows 7 and Windows 8 and
// 8.1 named otherwise. An empty text names the base edition, which has no name of its own.
struct Edition {
  DWORD productType;
  const char* name;
};

const Edition kEditions[] = {
    {PRODUCT_ULTIMATE, "Ultimate"},
    {PRODUCT_HOME_BASIC, "Home Basic"},
    {PRODUCT_HOME_PREMIUM, "Home Premium"},
    {PRODUCT_ENTERPRISE, "Enterprise"},
    {PRODUCT_HOME_BASIC_N, "Home Basic N"},
    {PRODUCT_BUSINESS, "Business"},
    {PRODUCT_STANDARD_SERVER, "Standard"},
    {PRODUCT_DATACENTER_SERVER, "Datacenter"},
    {PRODUCT_SMALLBUSINESS_SERVER, "Small Business Server"},
    {PRODUCT_ENTERPRISE_SERVER, "Enterprise"},
    {PRODUCT_STARTER, "Starter"},
    {PRODUCT_DATACENTER_SERVER_CORE, "Datacenter (core installation)"},
    {PRODUCT_STANDARD_SERVER_CORE, "Standard (core installation)"},
    {PRODUCT_ENTERPRISE_SERVER_CORE, "Enterprise (core installation)"},
    {PRODUCT_ENTERPRISE_SERVER_IA64, "for Itanium-Based Systems"},
    {PRODUCT_BUSINESS_N, "Business N"},
    {PRODUCT_WEB_SERVER, "Web"},
    {PRODUCT_CLUSTER_SERVER, "HPC Edition"},
    {PRODUCT_HOME_SERVER, "Storage Server Essentials"},
    {PRODUCT_STORAGE_EXPRESS_SERVER, "Storage Server Express"},
    {PRODUCT_STORAGE_STANDARD_SERVER, "Storage Server Standard"},
    {PRODUCT_STORAGE_WORKGROUP_SERVER, "Storage Server Workgroup"},
    {PRODUCT_STORAGE_ENTERPRISE_SERVER, "Storage Server Enterprise"},
    {PRODUCT_SERVER_FOR_SMALLBUSINESS, "for Windows Essential Server Solutions"},
    {PRODUCT_SMALLBUSINESS_SERVER_PREMIUM, "Small Business Server Premium"},
    {PRODUCT_HOME_PREMIUM_N, "Home Premium N"},
    {PRODUCT_ENTERPRISE_N, "Enterprise N"},
    {PRODUCT_ULTIMATE_N, "Ultimate N"},
    {PRODUCT_WEB_SERVER_CORE, "Web (core installation)"},
    {PRODUCT_MEDIUMBUSINESS_SERVER_MANAGEMENT, "Essential Business Server Management Server"},
    {PRODUCT_MEDIUMBUSINESS_SERVER_SECURITY, "Essential Business Server Security Server"},
    {PRODUCT_MEDIUMBUSINESS_SERVER_MESSAGING, "Essential Business Server Messaging Server"},
    {PRODUCT_SERVER_FOUNDATION, "Foundation"},
    {PRODUCT_HOME_PREMIUM_SERVER, "Home Server"},
    {PRODUCT_SERVER_FOR_SMALLBUSINESS_V, "without Hyper-V for Windows Essential Server Solutions"},
    {PRODUCT_STANDARD_SERVER_V, "Standard without Hyper-V"},
    {PRODUCT_DATACENTER_SERVER_V, "Datacenter without Hyper-V"},
    {PRODUCT_ENTERPRISE_SERVER_V, "Enterprise without Hyper-V"},
    {PRODUCT_DATACENTER_SERVER_CORE_V, "Datacenter without Hyper-V (core installation)"},
    {PRODUCT_STANDARD_SERVER_CORE_V, "Standard without Hyper-V (core installation)"},
    {PRODUCT_ENTERPRISE_SERVER_CORE_V, "Enterprise without Hyper-V (core installation)"},
    {PRODUCT_HYPERV, "Hyper-V Server"},
    {PRODUCT_STORAGE_EXPRESS_SERVER_CORE, "Storage Server Express (core installation)"},
    {PRODUCT_STORAGE_STANDARD_SERVER_CORE, "Storage Server Standard (core installation)"},
    {PRODUCT_STORAGE_WORKGROUP_SERVER_CORE, "Storage Server Workgroup (core installation)"},
    {PRODUCT_STORAGE_ENTERPRISE_SERVER_CORE, "Storage Server Enterprise (core installation)"},
    {PRODUCT_STARTER_N, "Starter N"},
    {PRODUCT_PROFESSIONAL, "Pro"},
    {PRODUCT_PROFESSIONAL_N, "Pro N"},
    {PRODUCT_SB_SOLUTION_SERVER, "Essentials"},
    {PRODUCT_SERVER_FOR_SB_SOLUTIONS, "for SB Solutions"},
    {PRODUCT_STANDARD_SERVER_SOLUTIONS, "Server Solutions Premium"},
    {PRODUCT_STANDARD_SERVER_SOLUTIONS_CORE, "Server Solutions Premium (core installation)"},
    {PRODUCT_SB_SOLUTION_SERVER_EM, "Essentials for Embedded Systems"},
    {PRODUCT_SERVER_FOR_SB_SOLUTIONS_EM, "for SB Solutions EM"},
    {PRODUCT_SOLUTION_EMBEDDEDSERVER, "MultiPoint Server"},
    {PRODUCT_SOLUTION_EMBEDDEDSERVER_CORE, "MultiPoint Server (core installation)"},
    {PRODUCT_PROFESSIONAL_EMBEDDED, "Pro Embedded"},
    {PRODUCT_ESSENTIALBUSINESS_SERVER_MGMT, "Essential Server Solution Management"},
    {PRODUCT_ESSENTIALBUSINESS_SERVER_ADDL, "Essential Server Solution Additional"},
    {PRODUCT_ESSENTIALBUSINESS_SERVER_MGMTSVC, "Essential Server Solution Management SVC"},
    {PRODUCT_ESSENTIALBUSINESS_SERVER_ADDLSVC, "Essential Server Solution Additional SVC"},
    {PRODUCT_SMALLBUSINESS_SERVER_PREMIUM_CORE,
     "Small Business Server Premium (core installation)"},
    {PRODUCT_CLUSTER_SERVER_V, "HPC Edition without Hyper-V"},
    {PRODUCT_EMBEDDED, "Embedded"},
    {PRODUCT_STARTER_E, "Starter E"},
    {PRODUCT_HOME_BASIC_E, "Home Basic E"},
    {PRODUCT_HOME_PREMIUM_E, "Home Premium E"},
    {PRODUCT_PROFESSIONAL_E, "Pro E"},
    {PRODUCT_ENTERPRISE_E, "Enterprise E"},
    {PRODUCT_ULTIMATE_E, "Ultimate E"},
    {PRODUCT_ENTERPRISE_EVALUATION, "Enterprise Evaluation"},
    {PRODUCT_MULTIPOINT_STANDARD_SERVER, "MultiPoint Server Standard"},
    {PRODUCT_MULTIPOINT_PREMIUM_SERVER, "MultiPoint Server Premium"},
    {PRODUCT_STANDARD_EVALUATION_SERVER, "Standard Evaluation"},
    {PRODUCT_DATACENTER_EVALUATION_SERVER, "Datacenter Evaluation"},
    {PRODUCT_ENTERPRISE_N_EVALUATION, "Enterprise N Evaluation"},
    {PRODUCT_EMBEDDED_AUTOMOTIVE, "Embedded Automotive"},
    {PRODUCT_EMBEDDED_INDUSTRY_A, "Embedded Industry A"},
    {PRODUCT_THINPC, "Thin PC"},
    {PRODUCT_EMBEDDED_A, "Embedded A"},
    {PRODUCT_EMBEDDED_INDUSTRY, "Embedded Industry"},
    {PRODUCT_EMBEDDED_E, "Embedded E"},
    {PRODUCT_EMBEDDED_INDUSTRY_E, "Embedded Industry E"},
    {PRODUCT_EMBEDDED_INDUSTRY_A_E, "Embedded Industry A E"},
    {PRODUCT_STORAGE_WORKGROUP_EVALUATION_SERVER, "Storage Server Workgroup Evaluation"},
    {PRODUCT_STORAGE_STANDARD_EVALUATION_SERVER, "Storage Server Standard Evaluation"},
    {PRODUCT_CORE_ARM, "RT"},
    {PRODUCT_CORE_N, "Home N"},
    {PRODUCT_CORE_COUNTRYSPECIFIC, "Home China"},
    {PRODUCT_CORE_SINGLELANGUAGE, "Home Single Language"},
    {PRODUCT_CORE, "Home"},
    {PRODUCT_PROFESSIONAL_WMC, "Pro with Media Center"},
    {PRODUCT_MOBILE_CORE, "Mobile"},
    {PRODUCT_EMBEDDED_INDUSTRY_EVAL, "Embedded Industry Evaluation"},
    {PRODUCT_EMBEDDED_INDUSTRY_E_EVAL, "Embedded Industry E Evaluation"},
    {PRODUCT_EMBEDDED_EVAL, "Embedded Evaluation"},
    {PRODUCT_EMBEDDED_E_EVAL, "Embedded E Evaluation"},
    {PRODUCT_NANO_SERVER, "Nano Server"},
    {PRODUCT_CLOUD_STORAGE_SERVER, "Cloud Storage Server"},
    {PRODUCT_CORE_CONNECTED, "Home Connected"},
    {PRODUCT_PROFESSIONAL_STUDENT, "Pro Student"},
    {PRODUCT_CORE_CONNECTED_N, "Home Connected N"},
    {PRODUCT_PROFESSIONAL_STUDENT_N, "Pro Student N"},
    {PRODUCT_CORE_CONNECTED_SINGLELANGUAGE, "Home Connected Single Language"},
    {PRODUCT_CORE_CONNECTED_COUNTRYSPECIFIC, "Home Connected China"},
    {PRODUCT_CONNECTED_CAR, "Connected Car"},
    {PRODUCT_INDUSTRY_HANDHELD, "Industry Handheld"},
    {PRODUCT_PPI_PRO, "Team"},
    {PRODUCT_ARM64_SERVER, "ARM64 Server"},
    {PRODUCT_EDUCATION, "Education"},
    {PRODUCT_EDUCATION_N, "Education N"},
    {PRODUCT_IOTUAP, "IoT Core"},
    {PRODUCT_CLOUD_HOST_INFRASTRUCTURE_SERVER, "Cloud Host Infrastructure Server"},
    {PRODUCT_ENTERPRISE_S, "Enterprise LTSC"},
    {PRODUCT_ENTERPRISE_S_N, "Enterprise N LTSC"},
    {PRODUCT_PROFESSIONAL_S, "Pro S"},
    {PRODUCT_PROFESSIONAL_S_N, "Pro S N"},
    {PRODUCT_ENTERPRISE_S_EVALUATION, "Enterprise LTSC Evaluation"},
    {PRODUCT_ENTERPRISE_S_N_EVALUATION, "Enterprise N LTSC Evaluation"},
    {PRODUCT_MOBILE_ENTERPRISE, "Mobile Enterprise"},
    // Not an edition: the licence is missing or expired.
    {PRODUCT_UNLICENSED, ""},
};

const Edition kEditions7[] = {
    {PRODUCT_PROFESSIONAL, "Professional"},
    {PRODUCT_PROFESSIONAL_N, "Professional N"},
    {PRODUCT_PROFESSIONAL_E, "Professional E"},
    {PRODUCT_PROFESSIONAL_EMBEDDED, "Professional Embedded"},
    {PRODUCT_SB_SOLUTION_SERVER, "Small Business Server Essentials"},
};

// Windows 8 and 8.1 had no "Home": the base edition is the base name alone.
const Edition kEditions8[] = {
    {PRODUCT_CORE, ""},
    {PRODUCT_CORE_N, "N"},
    {PRODUCT_CORE_COUNTRYSPECIFIC, "China"},
    {PRODUCT_CORE_SINGLELANGUAGE, "Single Language"},
    {PRODUCT_CORE_CONNECTED, "with Bing"},
    {PRODUCT_CORE_CONNECTED_N, "N with Bing"},
    {PRODUCT_CORE_CONNECTED_SINGLELANGUAGE, "Single Language with Bing"},
    {PRODUCT_CORE_CONNECTED_COUNTRYSPECIFIC, "China with Bing"},
};

// The servers of NT 10.0 by their build; any other build is "Windows Server".
const struct {
  DWORD build;
  const char* name;
} kServers10[] = {
    {14393, "Windows Server 2016"},
    {17763, "Windows Server 2019"},
    {20348, "Windows Server 2022"},
    {26100, "Windows Server 2025"},
};

const DWORD kFirstWindows11Build = 22000;

bool HasBit(WORD suiteMask, WORD bit) { return (suiteMask & bit) != 0; }

// The edition text of a table, or nullptr when it has none for the product type.
template <size_t count>
const char* FindEdition(const Edition (&table)[count], DWORD productType) {
  for (const Edition& edition : table)
    if (edition.productType == productType) return edition.name;
  return nullptr;
}

const char* ModernEdition(DWORD major, DWORD minor, DWORD productType) {
  const char* name = nullptr;
  if (major == 6 && minor == 1) name = FindEdition(kEditions7, productType);
  if (major == 6 && (minor == 2 || minor == 3)) name = FindEdition(kEditions8, productType);
  if (name == nullptr) name = FindEdition(kEditions, productType);
  return name;
}

// The base name of NT 6.1 and later, or nullptr for a version that has none.
const char* ModernBaseName(const OSVERSIONINFOEXA& version) {
  bool workstation = version.wProductType == VER_NT_WORKSTATION;
  DWORD major = version.dwMajorVersion;
  DWORD minor = version.dwMinorVersion;
  if (major == 6 && minor == 1) return workstation ? "Windows 7" : "Windows Server 2008 R2";
  if (major == 6 && minor == 2) return workstation ? "Windows 8" : "Windows Server 2012";
  if (major == 6 && minor == 3) return workstation ? "Windows 8.1" : "Windows Server 2012 R2";
  if (major != 10 || minor != 0) return nullptr;
  if (workstation)
    return version.dwBuildNumber >= kFirstWindows11Build ? "Windows 11" : "Windows 10";
  for (const auto& server : kServers10)
    if (server.build == version.dwBuildNumber) return server.name;
  return "Windows Server";
}

// The product type that GetProductInfo (NT 6.0 and later) gives for a version; false when the
// function is missing or does not answer.
bool AskProductType(DWORD major, DWORD minor, WORD servicePackMajor, WORD servicePackMinor,
                    DWORD* productType) {
  PGETPRODUCTINFO getProductInfo = LookUpKernelFunction<PGETPRODUCTINFO>("GetProductInfo");
  return getProductInfo != nullptr &&
         getProductInfo(major, minor, servicePackMajor, servicePackMinor, productType);
}

// Names NT 6.1 and later as the Vista path does, from a base name and the edition that
// GetProductInfo gives; the service pack stays out of the name. False for other versions.
bool AppendModernName(OsName& name, const OSVERSIONINFOEXA& version) {
  const char* base = ModernBaseName(version);
  if (base == nullptr) return false;
  BoundedAppend(name, base);

  DWORD productType = 0;
  if (!AskProductType(version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor,
                      version.wServicePackMinor, &productType))
    return true;
  const char* edition = ModernEdition(version.dwMajorVersion, version.dwMinorVersion, productType);
  if (edition != nullptr && edition[0] != '\0') {
    BoundedAppend(name, " ");
    BoundedAppend(name, edition);
  }
  return true;
}

// The server suffixes of one version: for the datacenter suite (nullptr: not told apart), the
// enterprise suite, and any other.
struct ServerSuffixes {
  const char* datacenter;
  const char* enterprise;
  const char* other;
};

const ServerSuffixes kServerNt4 = {nullptr, " Server 4.0, Enterprise Edition", " Server 4.0"};
const ServerSuffixes kServer2000 = {" Datacenter Server", " Advanced Server", " Server"};
const ServerSuffixes kServer2003 = {" Datacenter Edition", " Enterprise Edition",
                                    " Standard Edition"};
const ServerSuffixes kServer2003Web = {" Datacenter Edition", " Enterprise Edition",
                                       " Web Edition"};
const ServerSuffixes kServer2003X64 = {" Datacenter x64 Edition", " Enterprise x64 Edition",
                                       " Standard x64 Edition"};
const ServerSuffixes kServer2003Itanium = {" Datacenter Edition for Itanium-based Systems",
                                           " Enterprise Edition for Itanium-based Systems", ""};

const ServerSuffixes& ServerSuffixesOf(DWORD major, DWORD minor, WORD suite, WORD architecture) {
  if (major == 5 && minor == 0) return kServer2000;
  if (major != 5 || minor != 2) return kServerNt4;
  if (architecture == PROCESSOR_ARCHITECTURE_IA64) return kServer2003Itanium;
  if (architecture == PROCESSOR_ARCHITECTURE_AMD64) return kServer2003X64;
  // The web edition is told by its suite alone.
  return suite == VER_SUITE_BLADE ? kServer2003Web : kServer2003;
}

const char* WorkstationSuffix(DWORD major, WORD suite, WORD architecture) {
  if (architecture == PROCESSOR_ARCHITECTURE_AMD64) return "";
  if (major == 4) return " Workstation 4.0";
  return HasBit(suite, VER_SUITE_PERSONAL) ? " Home Edition" : " Professional";
}

// The edition suffix that the extended record tells.
void AppendExtendedSuffix(OsName& name, const OSVERSIONINFOEXA& version, WORD architecture) {
  WORD suite = version.wSuiteMask;
  const char* suffix = "";
  if (version.wProductType == VER_NT_WORKSTATION) {
    suffix = WorkstationSuffix(version.dwMajorVersion, suite, architecture);
  } else if (version.wProductType == VER_NT_DOMAIN_CONTROLLER ||
             version.wProductType == VER_NT_SERVER) {
    const ServerSuffixes& server =
        ServerSuffixesOf(version.dwMajorVersion, version.dwMinorVersion, suite, architecture);
    if (server.datacenter != nullptr && HasBit(suite, VER_SUITE_DATACENTER))
      suffix = server.datacenter;
    else if (HasBit(suite, VER_SUITE_ENTERPRISE))
      suffix = server.enterprise;
    else
      suffix = server.other;
  }
  BoundedAppend(name, suffix);
}

// Systems without the extended record keep the product type in the registry only.
bool AppendRegistrySuffix(OsName& name, const OSVERSIONINFOEXA& version) {
  char productType[kProductTypeValueCapacity + 1];
  KeyHolder key;
  if (!key.Open(HKEY_LOCAL_MACHINE, kProductOptionsKey, KEY_QUERY_VALUE)) return false;
  bool read = ReadValueText(key.Get(), "ProductType", productType);
  key.Close();
  if (!read) return false;

  if (lstrcmpiA(productType, "WINNT") == 0) BoundedAppend(name, " Workstation");
  if (lstrcmpiA(productType, "LANMANNT") == 0) BoundedAppend(name, " Server");
  if (lstrcmpiA(productType, "SERVERNT") == 0) BoundedAppend(name, " Advanced Server");

  char versionText[kVersionNumberTextCapacity + 1];
  std::memset(versionText, 0, sizeof(versionText));
  wsprintfA(versionText, " %d.%d", static_cast<int>(version.dwMajorVersion),
            static_cast<int>(version.dwMinorVersion));
  BoundedAppend(name, versionText);
  return true;
}

// NT 4.0 reports Service Pack 6a only through the hotfix it shipped with.
bool AppendSp6a(OsName& name, const OSVERSIONINFOEXA& version, const ServicePackText& servicePack) {
  if (version.dwMajorVersion != 4) return false;
  if (lstrcmpiA(servicePack, "Service Pack 6") != 0) return false;
  KeyHolder hotfix;
  if (!hotfix.Open(HKEY_LOCAL_MACHINE, kSp6aHotfixKey, KEY_QUERY_VALUE)) return false;
  BoundedAppend(name, " Service Pack 6a");
  return true;
}

void Append9xName(OsName& name, const OSVERSIONINFOEXA& version,
                  const ServicePackText& servicePack) {
  if (version.dwMajorVersion != 4) return;
  char release = servicePack[1];  // a zero-filled area of 128 characters: [1] always exists
  if (version.dwMinorVersion == 0) {
    BoundedAppend(name, "Windows 95");
    if (release == 'C' || release == 'B') BoundedAppend(name, " OSR2");
  } else if (version.dwMinorVersion == 10) {
    BoundedAppend(name, "Windows 98");
    if (release == 'A' || release == 'B') BoundedAppend(name, " SE");
  } else if (version.dwMinorVersion == 90) {
    BoundedAppend(name, "Windows ME");
  }
}

// The basic version record, which every system gives.
bool ReadBasicRecord(OSVERSIONINFOA* version) {
  std::memset(version, 0, sizeof(*version));
  version->dwOSVersionInfoSize = kBasicRecordSize;
  return GetVersionExA(version) != FALSE;
}

// The extended version record, or the basic one in its first part where the system has no
// other (`extended` tells which); false when neither is given.
bool ReadVersionRecord(OSVERSIONINFOEXA* version, bool* extended) {
  std::memset(version, 0, sizeof(*version));
  version->dwOSVersionInfoSize = kExtendedRecordSize;
  *extended = GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(version)) != FALSE;
  if (*extended) return true;
  version->dwOSVersionInfoSize = kBasicRecordSize;
  return GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(version)) != FALSE;
}

void CopyEditionName(unsigned long productType, char* output, int capacity) {
  const char* edition = "Unknown Edition";
  if (productType < kEditionCount && kEditionNames[productType] != nullptr)
    edition = kEditionNames[productType];
  BoundedCopy(output, edition, capacity);
}

// NT 6.0 with the edition of the Vista table; false, the base name alone, when GetProductInfo
// does not tell it.
bool AppendVistaName(OsName& name, const OSVERSIONINFOEXA& version) {
  BoundedAppend(name, version.wProductType == VER_NT_WORKSTATION ? "Windows Vista"
                                                                 : "Windows Server \"Longhorn\"");
  DWORD productType = 0;
  if (!AskProductType(6, 0, 0, 0, &productType)) return false;
  char edition[kEditionNameCapacity + 1];
  std::memset(edition, 0, sizeof(edition));
  CopyEditionName(productType, edition, kEditionNameCapacity);
  BoundedAppend(name, " ");
  BoundedAppend(name, edition);
  return true;
}

// The base name of NT 5.2 and earlier; the native architecture is learnt only for NT 5.2.
void AppendClassicNtName(OsName& name, const OSVERSIONINFOEXA& version, WORD* architecture) {
  DWORD major = version.dwMajorVersion;
  DWORD minor = version.dwMinorVersion;
  if (major == 5 && minor == 2) {
    *architecture = GetNativeArchitecture();
    if (GetSystemMetrics(SM_SERVERR2) != 0)
      BoundedAppend(name, "Windows Server 2003 \"R2\"");
    else if (version.wProductType == VER_NT_WORKSTATION &&
             *architecture == PROCESSOR_ARCHITECTURE_AMD64)
      BoundedAppend(name, "Windows XP Professional x64 Edition");
    else
      BoundedAppend(name, "Windows Server 2003");
  } else if (major == 5 && minor == 1) {
    BoundedAppend(name, "Windows XP");
  } else if (major == 5 && minor == 0) {
    BoundedAppend(name, "Windows 2000");
  } else if (major <= 4) {
    BoundedAppend(name, "Windows NT");
  }
}

// An NT name. The names from NT 6.0 on are complete as they are; the others get the product
// type's suffix and the service pack. False when neither the extended record nor the registry
// tells the product type.
bool AppendNtName(OsName& name, const OSVERSIONINFOEXA& version, bool extended,
                  const ServicePackText& servicePack) {
  if (AppendModernName(name, version)) return true;
  // Unknown outside NT 5.2, so that it counts as neither IA64 nor AMD64.
  WORD architecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
  if (version.dwMajorVersion == 6 && version.dwMinorVersion == 0) {
    if (AppendVistaName(name, version)) return true;
  } else {
    AppendClassicNtName(name, version, &architecture);
  }

  if (extended) {
    AppendExtendedSuffix(name, version, architecture);
  } else if (!AppendRegistrySuffix(name, version)) {
    return false;
  }
  if (!AppendSp6a(name, version, servicePack)) {
    BoundedAppend(name, " ");
    BoundedAppend(name, servicePack);
  }
  return true;
}

typedef char DisplayVersionText[kDisplayVersionCapacity + 1];

// The current version key as Windows itself keeps it: a 32-bit program on 64-bit Windows
// would otherwise read the 32-bit view's copy, which lacks the release values.
bool OpenCurrentVersion(KeyHolder* key) {
  REGSAM views[kMaxRegistryViews];
  GetSoftwareViews(views);
  return key->Open(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_QUERY_VALUE | views[0]);
}

const char* ArchitectureName(WORD architecture) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      return "x86";
    case PROCESSOR_ARCHITECTURE_AMD64:
      return "x64";
    case PROCESSOR_ARCHITECTURE_IA64:
      return "IA64";
    case PROCESSOR_ARCHITECTURE_ARM:
      return "ARM";
    case PROCESSOR_ARCHITECTURE_ARM64:
      return "ARM64";
    default:
      return nullptr;
  }
}

}  // namespace

int COsInfo::GetOsGeneration() {
  OSVERSIONINFOA version;
  if (!ReadBasicRecord(&version)) return kOsWinXp;

  if (version.dwPlatformId == VER_PLATFORM_WIN32s) return kOsWin32s;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (version.dwMinorVersion == 0) return kOsWin95;
    if (version.dwMinorVersion == 10) return kOsWin98;
    return kOsWinMe;
  }
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return kOsWinXp;
  if (version.dwMajorVersion > 5) return kOsVistaAndLater;
  if (version.dwMajorVersion != 5) return kOsNt4;
  if (version.dwMinorVersion == 0) return kOsWin2000;
  if (version.dwMinorVersion == 1) return kOsWinXp;
  return kOsServer2003;
}

bool COsInfo::GetOsFullName(char* output, int capacity) {
  OSVERSIONINFOEXA version;
  bool extended = false;
  if (!ReadVersionRecord(&version, &extended)) return false;
  // A terminated copy, whatever the record holds.
  ServicePackText servicePack;
  std::memset(servicePack, 0, sizeof(servicePack));
  BoundedCopy(servicePack, version.szCSDVersion);

  OsName name;
  std::memset(name, 0, sizeof(name));
  if (version.dwPlatformId == VER_PLATFORM_WIN32s) {
    BoundedAppend(name, "Win32s");
  } else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    Append9xName(name, version, servicePack);
  } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (!AppendNtName(name, version, extended, servicePack)) return false;
  }
  BoundedCopy(output, name, capacity);
  return true;
}

bool COsInfo::GetProductId(char* output, int capacity) {
  char productId[kProductIdValueCapacity + 1];
  KeyHolder key;
  if (!key.Open(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_QUERY_VALUE)) return false;
  if (!ReadValueText(key.Get(), "ProductId", productId)) return false;
  BoundedCopy(output, productId, capacity);
  return true;
}

bool COsInfo::GetVersionData(int* major, int* minor, int* platformId, DWORD* build,
                             char* servicePack, int capacity) {
  OSVERSIONINFOA version;
  if (!ReadBasicRecord(&version)) return false;

  ServicePackText csd;
  std::memset(csd, 0, sizeof(csd));
  BoundedCopy(csd, version.szCSDVersion);

  *major = static_cast<int>(version.dwMajorVersion);
  *minor = static_cast<int>(version.dwMinorVersion);
  *platformId = static_cast<int>(version.dwPlatformId);
  *build = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? version.dwBuildNumber & 0xFFFF
                                                              : version.dwBuildNumber;
  BoundedCopy(servicePack, csd, capacity);
  return true;
}

bool COsInfo::GetDisplayVersion(char* output, int capacity) {
  KeyHolder key;
  if (!OpenCurrentVersion(&key)) return false;
  DisplayVersionText release;
  // Windows 10 before 20H2 names its release by ReleaseId alone.
  if (!ReadValueText(key.Get(), "DisplayVersion", release) || release[0] == '\0') {
    if (!ReadValueText(key.Get(), "ReleaseId", release)) return false;
  }
  BoundedCopy(output, release, capacity);
  return true;
}

bool COsInfo::GetUpdateRevision(char* output, int capacity) {
  KeyHolder key;
  if (!OpenCurrentVersion(&key)) return false;
  DWORD revision = 0;
  if (!ReadValueDword(key.Get(), "UBR", &revision)) return false;
  char text[kIntTextCapacity + 1];
  std::memset(text, 0, sizeof(text));
  wsprintfA(text, "%u", static_cast<unsigned>(revision));
  BoundedCopy(output, text, capacity);
  return true;
}

bool COsInfo::GetArchitecture(char* output, int capacity) {
  WORD architecture = GetWindowsArchitecture();
  const char* name = ArchitectureName(architecture);
  char number[kIntTextCapacity + 1];
  std::memset(number, 0, sizeof(number));
  if (name == nullptr) {
    wsprintfA(number, "%u", static_cast<unsigned>(architecture));
    name = number;
  }
  BoundedCopy(output, name, capacity);
  return true;
}
