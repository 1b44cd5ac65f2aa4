// COsInfo over simulated machines: one row per rule of the OS name and generation, the failures,
// the product id and the raw version data.
#include "sysid/os_info.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/builder.h"

namespace {

const char kProductOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
const char kHotfix[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// What a row adds to the machine beside its version record.
enum Extra { kHotfixKey = 1, kR2 = 2, kAmd64 = 4, kIa64 = 8, kFailing = 16, kNoRecord = 32 };
const DWORD X = 0xFFFFFFFFu;  // as productInfo: GetProductInfo is missing
const char* const N = nullptr;

const DWORD W32s = VER_PLATFORM_WIN32s, W9x = VER_PLATFORM_WIN32_WINDOWS,
            NT = VER_PLATFORM_WIN32_NT;
const BYTE WKS = VER_NT_WORKSTATION, SRV = VER_NT_SERVER, DC = VER_NT_DOMAIN_CONTROLLER;
const WORD ENT = VER_SUITE_ENTERPRISE, DTC = VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE;
const WORD HOME = VER_SUITE_PERSONAL | VER_SUITE_SINGLEUSERTS, TS = VER_SUITE_SINGLEUSERTS;
const WORD BLADE = VER_SUITE_BLADE;
const char SP1[] = "SP1", SP2[] = "SP2", SP6[] = "Service Pack 6";

struct Row {
  DWORD platform, major, minor, build;
  BYTE productType;  // of the extended record; without one the row names the registry's type
  WORD suite;
  // registryType: nullptr, the extended record works; "-", the key holds no type either
  const char *csd, *registryType;
  int extras;
  DWORD productInfo;
  const char* name;  // nullptr: no name, the caller's buffer stays as it was
  int generation;
};

const int G32s = kOsWin32s, G95 = kOsWin95, G98 = kOsWin98, GMe = kOsWinMe, GNt4 = kOsNt4;
const int G2k = kOsWin2000, GXp = kOsWinXp, G03 = kOsServer2003, GVi = kOsVistaAndLater;
const std::string kType79(79, 'W'), kType80(80, 'W');  // the longest that fits, and one more
const Row kRows[] = {
    {W32s, 3, 10, 0, 0, 0, SP1, N, 0, X, "Win32s", G32s},
    // 9x: the second character of the service pack text tells the release.
    {W9x, 4, 0, 0, 0, 0, " C", N, 0, X, "Windows 95 OSR2", G95},
    {W9x, 4, 0, 0, 0, 0, " B", N, 0, X, "Windows 95 OSR2", G95},
    {W9x, 4, 0, 0, 0, 0, " A", N, 0, X, "Windows 95", G95},
    {W9x, 4, 10, 0, 0, 0, " A ", N, 0, X, "Windows 98 SE", G98},
    {W9x, 4, 10, 0, 0, 0, " B", N, 0, X, "Windows 98 SE", G98},
    {W9x, 4, 10, 0, 0, 0, " C", N, 0, X, "Windows 98", G98},
    {W9x, 4, 90, 0, 0, 0, " ", N, 0, X, "Windows ME", GMe},
    {W9x, 4, 3, 0, 0, 0, "", N, 0, X, "", GMe},
    {3, 5, 1, 0, WKS, 0, SP2, N, 0, X, "", GXp},
    // NT 4.0: the suffix by product type, and 6a only with the hotfix key.
    {NT, 4, 0, 0, WKS, 0, SP1, N, kHotfixKey, X, "Windows NT Workstation 4.0 SP1", GNt4},
    {NT, 4, 0, 0, WKS, 0, "SERVICE PACK 6", N, kHotfixKey, X,
     "Windows NT Workstation 4.0 Service Pack 6a", GNt4},
    {NT, 4, 0, 0, SRV, ENT, SP6, N, 0, X,
     "Windows NT Server 4.0, Enterprise Edition Service Pack 6", GNt4},
    {NT, 4, 0, 0, DC, DTC, "", N, 0, X, "Windows NT Server 4.0, Enterprise Edition ", GNt4},
    {NT, 4, 0, 0, 0, 0, SP1, N, 0, X, "Windows NT SP1", GNt4},
    // Without the extended record the type comes from the registry, in any case.
    {NT, 4, 0, 0, 0, 0, SP2, "winnt", 0, X, "Windows NT Workstation 4.0 SP2", GNt4},
    {NT, 3, 51, 0, 0, 0, SP1, "LanmanNT", 0, X, "Windows NT Server 3.51 SP1", GNt4},
    {NT, 4, 0, 0, 0, 0, SP6, "SERVERNT", kHotfixKey, X,
     "Windows NT Advanced Server 4.0 Service Pack 6a", GNt4},
    {NT, 4, 0, 0, 0, 0, "", "WINNTX", 0, X, "Windows NT 4.0 ", GNt4},
    {NT, 4, 0, 0, 0, 0, "", kType79.c_str(), 0, X, "Windows NT 4.0 ", GNt4},
    {NT, 6, 0, 0, 0, 0, SP1, "WINNT", 0, X, "Windows Server \"Longhorn\" Workstation 6.0 SP1", GVi},
    // Windows 2000 and XP; the native architecture is learnt for 5.2 only.
    {NT, 5, 0, 0, WKS, 0, SP1, N, 0, X, "Windows 2000 Professional SP1", G2k},
    {NT, 5, 0, 0, SRV, TS, "", N, 0, X, "Windows 2000 Server ", G2k},
    {NT, 5, 0, 0, SRV, ENT, "", N, 0, X, "Windows 2000 Advanced Server ", G2k},
    {NT, 5, 0, 0, SRV, DTC, "", N, 0, X, "Windows 2000 Datacenter Server ", G2k},
    {NT, 5, 1, 0, WKS, HOME, SP2, N, 0, X, "Windows XP Home Edition SP2", GXp},
    {NT, 5, 1, 0, WKS, TS, SP6, N, kAmd64 | kHotfixKey, X, "Windows XP Professional Service Pack 6",
     GXp},
    // NT 5.2: server suffixes by suite and architecture; the web edition by its suite alone.
    {NT, 5, 2, 0, SRV, TS, "", N, 0, X, "Windows Server 2003 Standard Edition ", G03},
    {NT, 5, 2, 0, SRV, ENT, "", N, kR2, X, "Windows Server 2003 \"R2\" Enterprise Edition ", G03},
    {NT, 5, 2, 0, DC, DTC, "", N, 0, X, "Windows Server 2003 Datacenter Edition ", G03},
    {NT, 5, 2, 0, SRV, BLADE, "", N, 0, X, "Windows Server 2003 Web Edition ", G03},
    {NT, 5, 2, 0, SRV, BLADE | TS, "", N, 0, X, "Windows Server 2003 Standard Edition ", G03},
    {NT, 5, 2, 0, SRV, TS, "", N, kAmd64, X, "Windows Server 2003 Standard x64 Edition ", G03},
    {NT, 5, 2, 0, SRV, TS, "", N, kIa64, X, "Windows Server 2003 ", G03},
    {NT, 5, 2, 0, WKS, TS, SP2, N, kAmd64, X, "Windows XP Professional x64 Edition SP2", G03},
    {NT, 5, 2, 0, WKS, TS, "", N, kAmd64 | kR2, X, "Windows Server 2003 \"R2\" ", G03},
    // Versions without a base name of their own keep the suffix.
    {NT, 5, 3, 0, SRV, ENT, "", N, 0, X, " Server 4.0, Enterprise Edition ", G03},
    {NT, 7, 0, 0, WKS, TS, "", N, 0, X, " Professional ", GVi},
    // NT 6.0: the Vista edition table, and nothing after it; without it the suffix and pack.
    {NT, 6, 0, 0, WKS, TS, SP1, N, 0, 0, "Windows Vista Unknown Edition", GVi},
    {NT, 6, 0, 0, WKS, TS, SP1, N, 0, 29, "Windows Vista Unknown Edition", GVi},
    {NT, 6, 0, 0, SRV, DTC, SP1, N, 0, 8,
     "Windows Server \"Longhorn\" Server Datacenter Edition (full installation)", GVi},
    {NT, 6, 0, 0, WKS, HOME, SP1, N, kFailing, 1, "Windows Vista Home Edition SP1", GVi},
    {NT, 6, 0, 0, SRV, ENT, SP1, N, 0, X,
     "Windows Server \"Longhorn\" Server 4.0, Enterprise Edition SP1", GVi},
    // NT 6.1 on: a base name by version, type and build, then the edition of the version's
    // table or the common one; no service pack.
    {NT, 6, 1, 0, WKS, 0, SP1, N, 0, PRODUCT_PROFESSIONAL, "Windows 7 Professional", GVi},
    {NT, 6, 1, 0, SRV, 0, SP1, N, 0, X, "Windows Server 2008 R2", GVi},
    {NT, 6, 1, 0, WKS, 0, SP1, N, kFailing, 1, "Windows 7", GVi},
    {NT, 6, 2, 0, WKS, 0, "", N, 0, PRODUCT_CORE, "Windows 8", GVi},
    {NT, 6, 2, 0, SRV, 0, "", N, 0, PRODUCT_STANDARD_SERVER, "Windows Server 2012 Standard", GVi},
    {NT, 6, 3, 0, WKS, 0, "", N, 0, PRODUCT_CORE_N, "Windows 8.1 N", GVi},
    {NT, 10, 0, 21999, WKS, 0, "", N, 0, PRODUCT_CORE, "Windows 10 Home", GVi},
    {NT, 10, 0, 22000, WKS, 0, "", N, 0, PRODUCT_PROFESSIONAL, "Windows 11 Pro", GVi},
    {NT, 10, 0, 22000, WKS, 0, "", N, 0, 0x99, "Windows 11", GVi},
    {NT, 10, 0, 19045, WKS, 0, "", N, 0, PRODUCT_UNLICENSED, "Windows 10", GVi},
    {NT, 10, 0, 14393, DC, 0, "", N, 0, PRODUCT_DATACENTER_SERVER, "Windows Server 2016 Datacenter",
     GVi},
    {NT, 10, 0, 26100, SRV, 0, "", N, 0, X, "Windows Server 2025", GVi},
    {NT, 10, 0, 26101, SRV, 0, "", N, 0, X, "Windows Server", GVi},
    // Without a version record, or without the product type the registry should tell, no name.
    {NT, 4, 0, 0, 0, 0, SP6, N, kNoRecord | kHotfixKey, X, N, GXp},
    {NT, 4, 0, 0, 0, 0, SP6, "-", kHotfixKey, X, N, GNt4},
    {NT, 4, 0, 0, 0, 0, SP6, kType80.c_str(), kHotfixKey, X, N, GNt4},
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
    f.versionWorks = (row.extras & kNoRecord) == 0;
    f.extendedVersionWorks = row.registryType == nullptr;
    f.serverR2Metric = (row.extras & kR2) != 0;
    if (row.extras & kAmd64) f.nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    if (row.extras & kIa64) f.nativeArchitecture = PROCESSOR_ARCHITECTURE_IA64;
    f.hasGetProductInfo = row.productInfo != X;
    f.getProductInfoWorks = (row.extras & kFailing) == 0;
    f.productInfoType = row.productInfo;
  });
  if (row.registryType != nullptr) builder.Key(kProductOptions);
  if (row.registryType != nullptr && row.registryType[0] != '-')
    builder.Key(kProductOptions).String("ProductType", row.registryType);
  if (row.extras & kHotfixKey) builder.Key(kHotfix);
  return builder.Build();
}

TEST(OsName, OneRowPerRule) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(&row - kRows);
    auto machine = MachineFor(row);
    sim::ScopedMachine installed(*machine);
    char name[2048 + 1] = "before";
    EXPECT_EQ(COsInfo().GetOsFullName(name, 2048), row.name != nullptr);
    EXPECT_STREQ(name, row.name != nullptr ? row.name : "before");
    EXPECT_EQ(COsInfo().GetOsGeneration(), row.generation);
    EXPECT_EQ(machine->OpenHandleCount(), 0);
  }
}

// A failure leaves the outputs alone; the texts are cut to the capacity.
TEST(ProductIdAndVersionData, AreTheRegistrysAndTheBasicRecordsOrNothing) {
  auto machine =
      sim::MachineBuilder().Key(kCurrentVersion).String("ProductId", "55274-640").Build();
  machine->facts.extendedVersionWorks = false;
  sim::ScopedMachine installed(*machine);
  char id[8] = "#######", csd[9] = "########";
  int version[3] = {};
  DWORD build = 0;
  EXPECT_TRUE(COsInfo().GetProductId(id, 5));
  EXPECT_TRUE(COsInfo().GetVersionData(&version[0], &version[1], &version[2], &build, csd, 3));
  EXPECT_EQ(std::string(id) + std::string(csd), "55274##Ser#####");
  EXPECT_EQ(version[0] * 100 + version[1] * 10 + version[2], 512);

  machine->registry.DeleteKey(HKEY_LOCAL_MACHINE, kCurrentVersion);
  EXPECT_FALSE(COsInfo().GetProductId(id, 5));
  machine->facts.versionWorks = false;
  EXPECT_FALSE(COsInfo().GetVersionData(&version[0], &version[1], &version[2], &build, csd, 3));
  EXPECT_EQ(std::string(id) + std::string(csd), "55274##Ser#####");
  EXPECT_EQ(version[0] * 100 + version[1] * 10 + version[2], 512);
  EXPECT_EQ(machine->OpenHandleCount(), 0);
}

// The build, the release and the architecture: 9x keeps its version in the build's high word;
// ReleaseId stands in for DisplayVersion; the 64-bit view is read on 64-bit Windows.
TEST(ReleaseData, BuildReleaseRevisionAndArchitecture) {
  const char kWow64CurrentVersion[] =
      "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion";
  const struct {
    DWORD platform, build;
    const char *displayVersion, *releaseId;  // nullptr: the value is missing
    bool hasNative;
    WORD native, own;
    DWORD expectedBuild;
    const char *release, *architecture;
  } rows[] = {
      {W9x, 0x040A08AE, N, N, false, 0, 0, 2222, "", "x86"},
      {NT, 19045, "22H2", "2009", true, 9, 0, 19045, "22H2", "x64"},
      {NT, 18363, N, "1909", true, 12, 0, 18363, "1909", "ARM64"},
      {NT, 18363, "", "1909", true, 5, 5, 18363, "1909", "ARM"},
      {NT, 3790, N, N, true, 6, 0, 3790, "", "IA64"},
      {NT, 2195, N, N, false, 0, 9, 2195, "", "x64"},
      {NT, 2195, N, N, true, 7, 0, 2195, "", "7"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.release + std::string("/") + row.architecture);
    sim::MachineBuilder builder;
    // The 32-bit view's copy, which a 32-bit program reads without asking for the 64-bit view.
    builder.Key(kWow64CurrentVersion).String("DisplayVersion", "wrong view").Dword("UBR", 1);
    builder.Key(kCurrentVersion).Dword("UBR", 3803);
    if (row.displayVersion != nullptr) builder.String("DisplayVersion", row.displayVersion);
    if (row.releaseId != nullptr) builder.String("ReleaseId", row.releaseId);
    auto machine = builder
                       .With([&](sim::Facts& f) {
                         f.platformId = row.platform;
                         f.buildNumber = row.build;
                         f.hasGetNativeSystemInfo = row.hasNative;
                         f.nativeArchitecture = row.native;
                         f.processorArchitecture = row.own;
                       })
                       .Build();
    sim::ScopedMachine installed(*machine);
    COsInfo os;
    int version[3] = {};
    DWORD build = 0;
    char csd[2] = "", release[81] = "", revision[12] = "", architecture[21] = "";
    EXPECT_TRUE(os.GetVersionData(&version[0], &version[1], &version[2], &build, csd, 1));
    EXPECT_EQ(build, row.expectedBuild);
    EXPECT_EQ(os.GetDisplayVersion(release, 80), row.release[0] != '\0');
    EXPECT_STREQ(release, row.release);
    EXPECT_TRUE(os.GetUpdateRevision(revision, 11));
    EXPECT_STREQ(revision, "3803");
    EXPECT_TRUE(os.GetArchitecture(architecture, 20));
    EXPECT_STREQ(architecture, row.architecture);
    EXPECT_EQ(machine->OpenHandleCount(), 0);
  }
}

}  // namespace
