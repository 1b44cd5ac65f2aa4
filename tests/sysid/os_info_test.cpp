// COsInfo over simulated machines: one row per rule of the OS name and generation, the failures,
// the product id and the raw version data.
#include "sysid/os_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/builder.h"

namespace {

const char kProductOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
const char kHotfix[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// What a row adds to the machine beside its version record.
enum Extra { kHotfixKey = 1, kR2 = 2, kAmd64 = 4, kIa64 = 8, kNoNativeInfo = 16, kFailing = 32 };
const DWORD kNoProductInfo = 0xFFFFFFFFu;  // GetProductInfo is missing

const DWORD W32s = VER_PLATFORM_WIN32s, W9x = VER_PLATFORM_WIN32_WINDOWS,
            NT = VER_PLATFORM_WIN32_NT;
const BYTE WKS = VER_NT_WORKSTATION, SRV = VER_NT_SERVER, DC = VER_NT_DOMAIN_CONTROLLER;
const WORD ENT = VER_SUITE_ENTERPRISE, DTC = VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE;
const WORD HOME = VER_SUITE_PERSONAL | VER_SUITE_SINGLEUSERTS, TS = VER_SUITE_SINGLEUSERTS;
const WORD BLADE = VER_SUITE_BLADE;
const char SP1[] = "Service Pack 1", SP2[] = "Service Pack 2", SP6[] = "Service Pack 6";

struct Row {
  DWORD platform, major, minor, build;
  BYTE productType;  // of the extended record; without one the row names the registry's type
  WORD suite;
  const char* csd;
  const char* registryType;  // nullptr: the extended record works
  int extras;
  DWORD productInfo;
  const char* name;
  int generation;
};

const DWORD X = kNoProductInfo;
const char* const N = nullptr;
const std::string kType79(79, 'W');  // the longest product type that fits
const Row kRows[] = {
    {W32s, 3, 10, 0, 0, 0, SP1, N, 0, X, "Win32s", kOsWin32s},
    // 9x: the second character of the service pack text tells the release.
    {W9x, 4, 0, 0, 0, 0, " C", N, 0, X, "Windows 95 OSR2", kOsWin95},
    {W9x, 4, 0, 0, 0, 0, " B", N, 0, X, "Windows 95 OSR2", kOsWin95},
    {W9x, 4, 0, 0, 0, 0, " A", N, 0, X, "Windows 95", kOsWin95},
    {W9x, 4, 10, 0, 0, 0, " A ", N, 0, X, "Windows 98 SE", kOsWin98},
    {W9x, 4, 10, 0, 0, 0, " B", N, 0, X, "Windows 98 SE", kOsWin98},
    {W9x, 4, 10, 0, 0, 0, " C", N, 0, X, "Windows 98", kOsWin98},
    {W9x, 4, 90, 0, 0, 0, " ", N, 0, X, "Windows ME", kOsWinMe},
    {W9x, 4, 3, 0, 0, 0, "", N, 0, X, "", kOsWinMe},
    {3, 5, 1, 0, WKS, 0, SP2, N, 0, X, "", kOsWinXp},
    // NT 4.0: the suffix by product type, and 6a only with the hotfix key.
    {NT, 4, 0, 0, WKS, 0, "Service Pack 5", N, kHotfixKey, X,
     "Windows NT Workstation 4.0 Service Pack 5", kOsNt4},
    {NT, 4, 0, 0, WKS, 0, "SERVICE PACK 6", N, kHotfixKey, X,
     "Windows NT Workstation 4.0 Service Pack 6a", kOsNt4},
    {NT, 4, 0, 0, SRV, ENT, SP6, N, 0, X,
     "Windows NT Server 4.0, Enterprise Edition Service Pack 6", kOsNt4},
    {NT, 4, 0, 0, DC, DTC, "", N, 0, X, "Windows NT Server 4.0, Enterprise Edition ", kOsNt4},
    {NT, 4, 0, 0, 0, 0, "Service Pack 4", N, 0, X, "Windows NT Service Pack 4", kOsNt4},
    // Without the extended record the type comes from the registry, in any case.
    {NT, 4, 0, 0, 0, 0, "Service Pack 3", "winnt", 0, X,
     "Windows NT Workstation 4.0 Service Pack 3", kOsNt4},
    {NT, 3, 51, 0, 0, 0, "Service Pack 5", "LanmanNT", 0, X,
     "Windows NT Server 3.51 Service Pack 5", kOsNt4},
    {NT, 4, 0, 0, 0, 0, SP6, "SERVERNT", kHotfixKey, X,
     "Windows NT Advanced Server 4.0 Service Pack 6a", kOsNt4},
    {NT, 4, 0, 0, 0, 0, "", "WINNTX", 0, X, "Windows NT 4.0 ", kOsNt4},
    {NT, 4, 0, 0, 0, 0, "", kType79.c_str(), 0, X, "Windows NT 4.0 ", kOsNt4},
    {NT, 6, 0, 0, 0, 0, SP1, "WINNT", 0, X,
     "Windows Server \"Longhorn\" Workstation 6.0 Service Pack 1", kOsVista},
    // Windows 2000 and XP; the native architecture is learnt for 5.2 only.
    {NT, 5, 0, 0, WKS, 0, SP1, N, 0, X, "Windows 2000 Professional Service Pack 1", kOsWin2000},
    {NT, 5, 0, 0, SRV, TS, "", N, 0, X, "Windows 2000 Server ", kOsWin2000},
    {NT, 5, 0, 0, SRV, ENT, "", N, 0, X, "Windows 2000 Advanced Server ", kOsWin2000},
    {NT, 5, 0, 0, SRV, DTC, "", N, 0, X, "Windows 2000 Datacenter Server ", kOsWin2000},
    {NT, 5, 1, 0, WKS, HOME, SP2, N, 0, X, "Windows XP Home Edition Service Pack 2", kOsWinXp},
    {NT, 5, 1, 0, WKS, TS, SP6, N, kAmd64 | kHotfixKey, X, "Windows XP Professional Service Pack 6",
     kOsWinXp},
    // NT 5.2: server suffixes by suite and architecture; the web edition by its suite alone.
    {NT, 5, 2, 0, SRV, TS, "", N, 0, X, "Windows Server 2003 Standard Edition ", kOsServer2003},
    {NT, 5, 2, 0, SRV, ENT, "", N, kR2, X, "Windows Server 2003 \"R2\" Enterprise Edition ",
     kOsServer2003},
    {NT, 5, 2, 0, DC, DTC, "", N, 0, X, "Windows Server 2003 Datacenter Edition ", kOsServer2003},
    {NT, 5, 2, 0, SRV, BLADE, "", N, 0, X, "Windows Server 2003 Web Edition ", kOsServer2003},
    {NT, 5, 2, 0, SRV, BLADE | TS, "", N, 0, X, "Windows Server 2003 Standard Edition ",
     kOsServer2003},
    {NT, 5, 2, 0, SRV, TS, "", N, kAmd64, X, "Windows Server 2003 Standard x64 Edition ",
     kOsServer2003},
    {NT, 5, 2, 0, SRV, TS, "", N, kIa64, X, "Windows Server 2003 ", kOsServer2003},
    {NT, 5, 2, 0, WKS, TS, SP2, N, kAmd64, X, "Windows XP Professional x64 Edition Service Pack 2",
     kOsServer2003},
    {NT, 5, 2, 0, WKS, TS, "", N, kAmd64 | kR2, X, "Windows Server 2003 \"R2\" ", kOsServer2003},
    {NT, 5, 2, 0, WKS, TS, "", N, kAmd64 | kNoNativeInfo, X, "Windows Server 2003 Professional ",
     kOsServer2003},
    // Versions without a base name of their own keep the suffix.
    {NT, 5, 3, 0, SRV, ENT, "", N, 0, X, " Server 4.0, Enterprise Edition ", kOsServer2003},
    {NT, 7, 0, 0, WKS, TS, "", N, 0, X, " Professional ", kOsVista},
    // NT 6.0: the Vista edition table, and nothing after it; without it the suffix and pack.
    {NT, 6, 0, 0, WKS, TS, SP1, N, 0, 1, "Windows Vista Ultimate Edition", kOsVista},
    {NT, 6, 0, 0, WKS, TS, SP1, N, 0, 0, "Windows Vista Unknown Edition", kOsVista},
    {NT, 6, 0, 0, WKS, TS, SP1, N, 0, 29, "Windows Vista Unknown Edition", kOsVista},
    {NT, 6, 0, 0, SRV, DTC, SP1, N, 0, 8,
     "Windows Server \"Longhorn\" Server Datacenter Edition (full installation)", kOsVista},
    {NT, 6, 0, 0, WKS, HOME, SP1, N, kFailing, 1, "Windows Vista Home Edition Service Pack 1",
     kOsVista},
    {NT, 6, 0, 0, SRV, ENT, SP1, N, 0, X,
     "Windows Server \"Longhorn\" Server 4.0, Enterprise Edition Service Pack 1", kOsVista},
    // NT 6.1 on: a base name by version, type and build, then the edition of the version's
    // table or the common one; no service pack.
    {NT, 6, 1, 0, WKS, 0, SP1, N, 0, PRODUCT_PROFESSIONAL, "Windows 7 Professional", kOsVista},
    {NT, 6, 1, 0, WKS, 0, SP1, N, 0, PRODUCT_HOME_PREMIUM, "Windows 7 Home Premium", kOsVista},
    {NT, 6, 1, 0, SRV, 0, SP1, N, 0, X, "Windows Server 2008 R2", kOsVista},
    {NT, 6, 1, 0, WKS, 0, SP1, N, kFailing, 1, "Windows 7", kOsVista},
    {NT, 6, 2, 0, WKS, 0, "", N, 0, PRODUCT_CORE, "Windows 8", kOsVista},
    {NT, 6, 2, 0, SRV, 0, "", N, 0, PRODUCT_STANDARD_SERVER, "Windows Server 2012 Standard",
     kOsVista},
    {NT, 6, 3, 0, WKS, 0, "", N, 0, PRODUCT_CORE_N, "Windows 8.1 N", kOsVista},
    {NT, 10, 0, 21999, WKS, 0, "", N, 0, PRODUCT_CORE, "Windows 10 Home", kOsVista},
    {NT, 10, 0, 22000, WKS, 0, "", N, 0, PRODUCT_PROFESSIONAL, "Windows 11 Pro", kOsVista},
    {NT, 10, 0, 22000, WKS, 0, "", N, 0, 0x99, "Windows 11", kOsVista},
    {NT, 10, 0, 19045, WKS, 0, "", N, 0, PRODUCT_UNLICENSED, "Windows 10", kOsVista},
    {NT, 10, 0, 14393, DC, 0, "", N, 0, PRODUCT_DATACENTER_SERVER, "Windows Server 2016 Datacenter",
     kOsVista},
    {NT, 10, 0, 26100, SRV, 0, "", N, 0, X, "Windows Server 2025", kOsVista},
    {NT, 10, 0, 26101, SRV, 0, "", N, 0, X, "Windows Server", kOsVista},
};

std::unique_ptr<sim::Machine> MachineFor(const Row& row) {
  sim::MachineBuilder builder;
  builder.With([&row](sim::Facts& f) {
    f.platformId = row.platform;
    f.majorVersion = row.major;
    f.minorVersion = row.minor;
    f.buildNumber = row.build;
    f.productType = row.productType;
    f.suiteMask = row.suite;
    f.csdVersion = row.csd;
    f.extendedVersionWorks = row.registryType == nullptr;
    f.serverR2Metric = (row.extras & kR2) != 0;
    if (row.extras & kAmd64) f.nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    if (row.extras & kIa64) f.nativeArchitecture = PROCESSOR_ARCHITECTURE_IA64;
    f.hasGetNativeSystemInfo = (row.extras & kNoNativeInfo) == 0;
    f.hasGetProductInfo = row.productInfo != kNoProductInfo;
    f.getProductInfoWorks = (row.extras & kFailing) == 0;
    f.productInfoType = row.productInfo;
  });
  if (row.registryType != nullptr)
    builder.Key(kProductOptions).String("ProductType", row.registryType);
  if (row.extras & kHotfixKey) builder.Key(kHotfix);
  return builder.Build();
}

TEST(OsName, OneRowPerRule) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    auto machine = MachineFor(row);
    sim::ScopedMachine installed(*machine);
    char name[2048 + 1];
    std::memset(name, 0, sizeof(name));
    EXPECT_TRUE(COsInfo().GetOsFullName(name, 2048));
    EXPECT_STREQ(name, row.name);
    EXPECT_EQ(COsInfo().GetOsGeneration(), row.generation);
    EXPECT_EQ(machine->OpenHandleCount(), 0);
  }
}

// Without a version record, or without the product type that the registry should tell, there
// is no name: the caller's buffer stays as it was and no key stays open.
TEST(OsName, FailuresLeaveTheBufferAlone) {
  void (*const failures[])(sim::Machine&) = {
      [](sim::Machine& m) { m.facts.versionWorks = false; },
      [](sim::Machine& m) { m.registry.DeleteKey(HKEY_LOCAL_MACHINE, kProductOptions); },
      [](sim::Machine& m) {
        m.registry.DeleteValue(HKEY_LOCAL_MACHINE, kProductOptions, "ProductType");
      },
      [](sim::Machine& m) {
        m.registry.SetString(HKEY_LOCAL_MACHINE, kProductOptions, "ProductType", kType79 + "W");
      },
  };
  for (auto fail : failures) {
    auto machine = MachineFor({NT, 4, 0, 0, 0, 0, SP6, "WINNT", kHotfixKey, X, "", 0});
    fail(*machine);
    sim::ScopedMachine installed(*machine);
    char name[16] = "before";
    EXPECT_FALSE(COsInfo().GetOsFullName(name, 15));
    EXPECT_STREQ(name, "before");
    EXPECT_EQ(machine->OpenHandleCount(), 0);
    EXPECT_EQ(COsInfo().GetOsGeneration(), machine->facts.versionWorks ? kOsNt4 : kOsWinXp);
  }
}

TEST(ProductId, IsTheRegistryValueOrNothing) {
  auto machine =
      sim::MachineBuilder().Key(kCurrentVersion).String("ProductId", "55274-640").Build();
  sim::ScopedMachine installed(*machine);
  char id[8];
  std::memset(id, '#', sizeof(id));
  EXPECT_TRUE(COsInfo().GetProductId(id, 5));
  EXPECT_EQ(std::string(id, 6), "55274#");
  machine->registry.SetString(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProductId",
                              std::string(512, '7'));
  EXPECT_FALSE(COsInfo().GetProductId(id, 5));
  machine->registry.DeleteKey(HKEY_LOCAL_MACHINE, kCurrentVersion);
  EXPECT_FALSE(COsInfo().GetProductId(id, 5));
  EXPECT_EQ(std::string(id, 6), "55274#");
  EXPECT_EQ(machine->OpenHandleCount(), 0);
}

TEST(VersionData, ComesFromTheBasicRecordOrLeavesTheOutputsAlone) {
  auto machine =
      sim::MachineBuilder().With([](sim::Facts& f) { f.extendedVersionWorks = false; }).Build();
  sim::ScopedMachine installed(*machine);
  int major = 0, minor = 0, platform = 0;
  char csd[9];
  std::memset(csd, '#', sizeof(csd));
  EXPECT_TRUE(COsInfo().GetVersionData(&major, &minor, &platform, csd, 7));
  EXPECT_EQ(std::string(csd, 8), "Service#");
  EXPECT_EQ(major * 100 + minor * 10 + platform, 512);
  machine->facts.versionWorks = false;
  major = minor = platform = -1;
  EXPECT_FALSE(COsInfo().GetVersionData(&major, &minor, &platform, csd, 7));
  EXPECT_EQ(major + minor + platform, -3);
  EXPECT_EQ(std::string(csd, 8), "Service#");
}

}  // namespace
