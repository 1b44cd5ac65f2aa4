// COsInfo over simulated machines: the generation code, the composed OS name on every path
// of its composition, the edition table, the product id and the raw version data.
#include "sysid/os_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/builder.h"

namespace {

const char kProductOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
const char kHotfix[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

using Extra = void (*)(sim::MachineBuilder&);

// One machine: its version record, plus whatever else `extra` sets up.
struct NameRow {
  const char* label;
  DWORD platform;
  DWORD major;
  DWORD minor;
  BYTE productType;
  WORD suite;
  const char* csd;
  Extra extra;
  const char* expected;  // the whole name
  int generation;
};

// --- what a row can add to the plain machine -----------------------------------------------

void NoExtended(sim::MachineBuilder& b) {
  b.With([](sim::Facts& f) { f.extendedVersionWorks = false; });
}
void ProductType(sim::MachineBuilder& b, const char* type) {
  NoExtended(b);
  b.Key(kProductOptions).String("ProductType", type);
}
void Winnt(sim::MachineBuilder& b) { ProductType(b, "WINNT"); }
void WinntLower(sim::MachineBuilder& b) { ProductType(b, "winnt"); }
void Lanmannt(sim::MachineBuilder& b) { ProductType(b, "LanmanNT"); }
void Servernt(sim::MachineBuilder& b) { ProductType(b, "SERVERNT"); }
void OtherType(sim::MachineBuilder& b) { ProductType(b, "WINNTX"); }
void Type79(sim::MachineBuilder& b) { ProductType(b, std::string(79, 'W').c_str()); }
void Type80NoTerminator(sim::MachineBuilder& b) {
  NoExtended(b);
  b.Key(kProductOptions).Raw("ProductType", REG_SZ, sim::Bytes(80, 'W'));
}
void WinntHotfix(sim::MachineBuilder& b) {
  Winnt(b);
  b.Key(kHotfix);
}
void Hotfix(sim::MachineBuilder& b) { b.Key(kHotfix); }
void R2(sim::MachineBuilder& b) {
  b.With([](sim::Facts& f) { f.serverR2Metric = 1; });
}
void Amd64(sim::MachineBuilder& b) {
  b.With([](sim::Facts& f) { f.nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64; });
}
void Ia64(sim::MachineBuilder& b) {
  b.With([](sim::Facts& f) { f.nativeArchitecture = PROCESSOR_ARCHITECTURE_IA64; });
}
void Amd64R2(sim::MachineBuilder& b) {
  Amd64(b);
  R2(b);
}
// The machine is x64, but the program can't ask it natively.
void Amd64Hidden(sim::MachineBuilder& b) {
  b.With([](sim::Facts& f) {
    f.nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    f.processorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    f.hasGetNativeSystemInfo = false;
  });
}
void ProductInfo(sim::MachineBuilder& b, DWORD type) {
  b.With([type](sim::Facts& f) {
    f.hasGetProductInfo = true;
    f.getProductInfoWorks = true;
    f.productInfoType = type;
  });
}
void Ultimate(sim::MachineBuilder& b) { ProductInfo(b, 1); }
void Undefined(sim::MachineBuilder& b) { ProductInfo(b, 0); }
void Datacenter(sim::MachineBuilder& b) { ProductInfo(b, 8); }
void ProductInfoFails(sim::MachineBuilder& b) {
  b.With([](sim::Facts& f) {
    f.hasGetProductInfo = true;
    f.getProductInfoWorks = false;
    f.productInfoType = 1;
  });
}
void UltimateAmd64(sim::MachineBuilder& b) {
  Ultimate(b);
  Amd64(b);
}

const DWORD W32s = VER_PLATFORM_WIN32s;
const DWORD W9x = VER_PLATFORM_WIN32_WINDOWS;
const DWORD NT = VER_PLATFORM_WIN32_NT;
const BYTE WKS = VER_NT_WORKSTATION;
const BYTE SRV = VER_NT_SERVER;
const BYTE DC = VER_NT_DOMAIN_CONTROLLER;
const WORD ENT = VER_SUITE_ENTERPRISE;
const WORD DTC = VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE;
const WORD HOME = VER_SUITE_PERSONAL | VER_SUITE_SINGLEUSERTS;
const WORD TS = VER_SUITE_SINGLEUSERTS;
const WORD BLADE = VER_SUITE_BLADE;

const NameRow kNameRows[] = {
    // Win32s and the 9x family: no service pack text, no suffix.
    {"Win32s", W32s, 3, 10, 0, 0, "Service Pack 1", nullptr, "Win32s", kOsWin32s},
    {"Win95", W9x, 4, 0, 0, 0, "", nullptr, "Windows 95", kOsWin95},
    {"Win95OsrC", W9x, 4, 0, 0, 0, " C", nullptr, "Windows 95 OSR2", kOsWin95},
    {"Win95OsrB", W9x, 4, 0, 0, 0, " B", nullptr, "Windows 95 OSR2", kOsWin95},
    {"Win95OsrA", W9x, 4, 0, 0, 0, " A", nullptr, "Windows 95", kOsWin95},
    {"Win95ShortCsd", W9x, 4, 0, 0, 0, "C", nullptr, "Windows 95", kOsWin95},
    {"Win98", W9x, 4, 10, 0, 0, " ", nullptr, "Windows 98", kOsWin98},
    {"Win98SeA", W9x, 4, 10, 0, 0, " A ", nullptr, "Windows 98 SE", kOsWin98},
    {"Win98SeB", W9x, 4, 10, 0, 0, " B", nullptr, "Windows 98 SE", kOsWin98},
    {"Win98C", W9x, 4, 10, 0, 0, " C", nullptr, "Windows 98", kOsWin98},
    {"WinMe", W9x, 4, 90, 0, 0, " ", nullptr, "Windows ME", kOsWinMe},
    {"Win9xOtherMinor", W9x, 4, 3, 0, 0, "", nullptr, "", kOsWinMe},
    {"Win9xMajor5", W9x, 5, 0, 0, 0, " C", nullptr, "", kOsWin95},
    {"Win9xMajor5Minor10", W9x, 5, 10, 0, 0, "", nullptr, "", kOsWin98},
    // Unknown platforms: an empty name, and the fallback generation.
    {"Platform3", 3, 5, 1, WKS, 0, "Service Pack 2", nullptr, "", kOsWinXp},
    {"Platform7", 7, 6, 0, WKS, 0, "", Ultimate, "", kOsWinXp},

    // NT 4.0 and earlier with the extended record.
    {"Nt4Workstation", NT, 4, 0, WKS, 0, "Service Pack 5", nullptr,
     "Windows NT Workstation 4.0 Service Pack 5", kOsNt4},
    {"Nt4Sp6WithoutHotfix", NT, 4, 0, WKS, 0, "Service Pack 6", nullptr,
     "Windows NT Workstation 4.0 Service Pack 6", kOsNt4},
    {"Nt4Sp6a", NT, 4, 0, WKS, 0, "Service Pack 6", Hotfix,
     "Windows NT Workstation 4.0 Service Pack 6a", kOsNt4},
    {"Nt4Sp6aAnyCase", NT, 4, 0, WKS, 0, "SERVICE PACK 6", Hotfix,
     "Windows NT Workstation 4.0 Service Pack 6a", kOsNt4},
    {"Nt4Sp5WithHotfix", NT, 4, 0, WKS, 0, "Service Pack 5", Hotfix,
     "Windows NT Workstation 4.0 Service Pack 5", kOsNt4},
    {"Nt4Sp6PrefixOnly", NT, 4, 0, WKS, 0, "Service Pack 6 RC", Hotfix,
     "Windows NT Workstation 4.0 Service Pack 6 RC", kOsNt4},
    {"Nt4Server", NT, 4, 0, SRV, 0, "Service Pack 6", nullptr,
     "Windows NT Server 4.0 Service Pack 6", kOsNt4},
    {"Nt4ServerEnterpriseSp6a", NT, 4, 0, SRV, ENT, "Service Pack 6", Hotfix,
     "Windows NT Server 4.0, Enterprise Edition Service Pack 6a", kOsNt4},
    {"Nt4DomainController", NT, 4, 0, DC, 0, "Service Pack 4", nullptr,
     "Windows NT Server 4.0 Service Pack 4", kOsNt4},
    {"Nt4UnknownProductType", NT, 4, 0, 0, 0, "Service Pack 4", nullptr,
     "Windows NT Service Pack 4", kOsNt4},
    {"Nt4NoServicePack", NT, 4, 0, WKS, 0, "", nullptr, "Windows NT Workstation 4.0 ", kOsNt4},

    // Without the extended record the product type comes from the registry.
    {"Nt4Winnt", NT, 4, 0, 0, 0, "Service Pack 3", Winnt,
     "Windows NT Workstation 4.0 Service Pack 3", kOsNt4},
    {"Nt4WinntLowerCase", NT, 4, 0, 0, 0, "Service Pack 3", WinntLower,
     "Windows NT Workstation 4.0 Service Pack 3", kOsNt4},
    {"Nt4Lanmannt", NT, 4, 0, 0, 0, "Service Pack 3", Lanmannt,
     "Windows NT Server 4.0 Service Pack 3", kOsNt4},
    {"Nt4Servernt", NT, 4, 0, 0, 0, "Service Pack 3", Servernt,
     "Windows NT Advanced Server 4.0 Service Pack 3", kOsNt4},
    {"Nt4OtherType", NT, 4, 0, 0, 0, "Service Pack 3", OtherType, "Windows NT 4.0 Service Pack 3",
     kOsNt4},
    {"Nt4TypeOf79", NT, 4, 0, 0, 0, "", Type79, "Windows NT 4.0 ", kOsNt4},
    {"Nt4TypeOf80Unterminated", NT, 4, 0, 0, 0, "", Type80NoTerminator, "Windows NT 4.0 ", kOsNt4},
    {"Nt4WinntSp6a", NT, 4, 0, 0, 0, "Service Pack 6", WinntHotfix,
     "Windows NT Workstation 4.0 Service Pack 6a", kOsNt4},
    {"Nt351Lanmannt", NT, 3, 51, 0, 0, "Service Pack 5", Lanmannt,
     "Windows NT Server 3.51 Service Pack 5", kOsNt4},
    {"XpWithoutExtended", NT, 5, 1, 0, 0, "Service Pack 2", Winnt,
     "Windows XP Workstation 5.1 Service Pack 2", kOsWinXp},

    // Windows 2000.
    {"W2kProfessional", NT, 5, 0, WKS, 0, "Service Pack 4", nullptr,
     "Windows 2000 Professional Service Pack 4", kOsWin2000},
    {"W2kServer", NT, 5, 0, SRV, TS, "Service Pack 4", nullptr,
     "Windows 2000 Server Service Pack 4", kOsWin2000},
    {"W2kAdvancedServer", NT, 5, 0, SRV, ENT, "Service Pack 4", nullptr,
     "Windows 2000 Advanced Server Service Pack 4", kOsWin2000},
    {"W2kDatacenter", NT, 5, 0, SRV, DTC, "", nullptr, "Windows 2000 Datacenter Server ",
     kOsWin2000},
    {"W2kDomainController", NT, 5, 0, DC, ENT, "Service Pack 1", nullptr,
     "Windows 2000 Advanced Server Service Pack 1", kOsWin2000},

    // Windows XP: the native architecture is learnt for 5.2 only.
    {"XpProfessional", NT, 5, 1, WKS, TS, "Service Pack 2", nullptr,
     "Windows XP Professional Service Pack 2", kOsWinXp},
    {"XpHome", NT, 5, 1, WKS, HOME, "Service Pack 2", nullptr,
     "Windows XP Home Edition Service Pack 2", kOsWinXp},
    {"XpNoServicePack", NT, 5, 1, WKS, TS, "", nullptr, "Windows XP Professional ", kOsWinXp},
    {"XpOnAmd64", NT, 5, 1, WKS, TS, "Service Pack 3", Amd64,
     "Windows XP Professional Service Pack 3", kOsWinXp},
    {"XpUnknownProductType", NT, 5, 1, 0, TS, "Service Pack 2", nullptr,
     "Windows XP Service Pack 2", kOsWinXp},
    {"XpSp6aRuleNotForMajor5", NT, 5, 1, WKS, TS, "Service Pack 6", Hotfix,
     "Windows XP Professional Service Pack 6", kOsWinXp},

    // Windows Server 2003 and XP x64 (5.2).
    {"S2003Standard", NT, 5, 2, SRV, TS, "Service Pack 1", nullptr,
     "Windows Server 2003 Standard Edition Service Pack 1", kOsServer2003},
    {"S2003Enterprise", NT, 5, 2, SRV, ENT, "Service Pack 1", nullptr,
     "Windows Server 2003 Enterprise Edition Service Pack 1", kOsServer2003},
    {"S2003Datacenter", NT, 5, 2, SRV, DTC, "Service Pack 1", nullptr,
     "Windows Server 2003 Datacenter Edition Service Pack 1", kOsServer2003},
    {"S2003Web", NT, 5, 2, SRV, BLADE, "", nullptr, "Windows Server 2003 Web Edition ",
     kOsServer2003},
    {"S2003BladeAndMore", NT, 5, 2, SRV, BLADE | TS, "", nullptr,
     "Windows Server 2003 Standard Edition ", kOsServer2003},
    {"S2003DomainController", NT, 5, 2, DC, ENT, "Service Pack 2", nullptr,
     "Windows Server 2003 Enterprise Edition Service Pack 2", kOsServer2003},
    {"S2003R2", NT, 5, 2, SRV, ENT, "Service Pack 2", R2,
     "Windows Server 2003 \"R2\" Enterprise Edition Service Pack 2", kOsServer2003},
    {"S2003x64Standard", NT, 5, 2, SRV, TS, "Service Pack 1", Amd64,
     "Windows Server 2003 Standard x64 Edition Service Pack 1", kOsServer2003},
    {"S2003x64Enterprise", NT, 5, 2, SRV, ENT, "Service Pack 1", Amd64,
     "Windows Server 2003 Enterprise x64 Edition Service Pack 1", kOsServer2003},
    {"S2003x64Datacenter", NT, 5, 2, DC, DTC, "Service Pack 1", Amd64,
     "Windows Server 2003 Datacenter x64 Edition Service Pack 1", kOsServer2003},
    {"S2003R2x64", NT, 5, 2, SRV, TS, "Service Pack 2", Amd64R2,
     "Windows Server 2003 \"R2\" Standard x64 Edition Service Pack 2", kOsServer2003},
    {"S2003ItaniumDatacenter", NT, 5, 2, SRV, DTC, "Service Pack 1", Ia64,
     "Windows Server 2003 Datacenter Edition for Itanium-based Systems Service Pack 1",
     kOsServer2003},
    {"S2003ItaniumEnterprise", NT, 5, 2, SRV, ENT, "Service Pack 1", Ia64,
     "Windows Server 2003 Enterprise Edition for Itanium-based Systems Service Pack 1",
     kOsServer2003},
    {"S2003ItaniumPlain", NT, 5, 2, SRV, TS, "Service Pack 1", Ia64,
     "Windows Server 2003 Service Pack 1", kOsServer2003},
    {"S2003UnknownProductType", NT, 5, 2, 0, ENT, "Service Pack 1", nullptr,
     "Windows Server 2003 Service Pack 1", kOsServer2003},
    {"XpX64", NT, 5, 2, WKS, TS, "Service Pack 2", Amd64,
     "Windows XP Professional x64 Edition Service Pack 2", kOsServer2003},
    {"XpX64WithR2Metric", NT, 5, 2, WKS, TS, "Service Pack 2", Amd64R2,
     "Windows Server 2003 \"R2\" Service Pack 2", kOsServer2003},
    {"Workstation52OnIntel", NT, 5, 2, WKS, TS, "", nullptr, "Windows Server 2003 Professional ",
     kOsServer2003},
    {"Workstation52NativeInfoMissing", NT, 5, 2, WKS, TS, "Service Pack 2", Amd64Hidden,
     "Windows Server 2003 Professional Service Pack 2", kOsServer2003},
    {"S2003WithoutExtended", NT, 5, 2, 0, 0, "Service Pack 1", Lanmannt,
     "Windows Server 2003 Server 5.2 Service Pack 1", kOsServer2003},

    // Versions without a base name of their own.
    {"Nt53Workstation", NT, 5, 3, WKS, TS, "Service Pack 1", nullptr,
     " Professional Service Pack 1", kOsServer2003},
    {"Nt53Server", NT, 5, 3, SRV, ENT, "", nullptr, " Server 4.0, Enterprise Edition ",
     kOsServer2003},
    {"Nt64", NT, 6, 4, WKS, TS, "", nullptr, " Professional ", kOsVista},
    {"Nt7", NT, 7, 0, WKS, TS, "", nullptr, " Professional ", kOsVista},
    {"NtHugeMajor", NT, 0xFFFFFFFFu, 0, WKS, TS, "", nullptr, " Professional ", kOsVista},

    // Vista: with a product type, the edition table's text and nothing after it.
    {"VistaUltimate", NT, 6, 0, WKS, TS, "Service Pack 1", Ultimate,
     "Windows Vista Ultimate Edition", kOsVista},
    {"VistaUnknownEdition", NT, 6, 0, WKS, TS, "Service Pack 1", Undefined,
     "Windows Vista Unknown Edition", kOsVista},
    {"VistaUltimateOnAmd64", NT, 6, 0, WKS, TS, "", UltimateAmd64, "Windows Vista Ultimate Edition",
     kOsVista},
    {"LonghornDatacenter", NT, 6, 0, SRV, DTC, "Service Pack 1", Datacenter,
     "Windows Server \"Longhorn\" Server Datacenter Edition (full installation)", kOsVista},
    {"VistaWithoutProductInfo", NT, 6, 0, WKS, TS, "Service Pack 1", nullptr,
     "Windows Vista Professional Service Pack 1", kOsVista},
    {"VistaHomeWithoutProductInfo", NT, 6, 0, WKS, HOME, "", nullptr, "Windows Vista Home Edition ",
     kOsVista},
    {"VistaProductInfoFails", NT, 6, 0, WKS, TS, "Service Pack 1", ProductInfoFails,
     "Windows Vista Professional Service Pack 1", kOsVista},
    {"LonghornWithoutProductInfo", NT, 6, 0, SRV, ENT, "Service Pack 1", nullptr,
     "Windows Server \"Longhorn\" Server 4.0, Enterprise Edition Service Pack 1", kOsVista},
    {"LonghornDcWithoutProductInfo", NT, 6, 0, DC, 0, "", nullptr,
     "Windows Server \"Longhorn\" Server 4.0 ", kOsVista},
    {"VistaWithoutExtended", NT, 6, 0, 0, 0, "Service Pack 1", Winnt,
     "Windows Server \"Longhorn\" Workstation 6.0 Service Pack 1", kOsVista},
};

class OsNameTest : public testing::TestWithParam<NameRow> {};

std::unique_ptr<sim::Machine> MachineFor(const NameRow& row) {
  sim::MachineBuilder builder;
  builder.With([&row](sim::Facts& f) {
    f.platformId = row.platform;
    f.majorVersion = row.major;
    f.minorVersion = row.minor;
    f.productType = row.productType;
    f.suiteMask = row.suite;
    f.csdVersion = row.csd;
  });
  if (row.extra != nullptr) row.extra(builder);
  return builder.Build();
}

TEST_P(OsNameTest, ComposesTheNameAndTheGeneration) {
  const NameRow& row = GetParam();
  auto machine = MachineFor(row);
  sim::ScopedMachine installed(*machine);
  COsInfo info;

  char name[2048 + 1];
  std::memset(name, 0, sizeof(name));
  EXPECT_TRUE(info.GetOsFullName(name, 2048));
  EXPECT_EQ(std::string(name), row.expected);
  EXPECT_EQ(info.GetOsGeneration(), row.generation);
  EXPECT_EQ(machine->OpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryBranch, OsNameTest, testing::ValuesIn(kNameRows),
                         [](const testing::TestParamInfo<NameRow>& info) {
                           return std::string(info.param.label);
                         });

// --- NT 6.1 and later: base name by version, build and product type, then the edition ---------

const DWORD kNoProductInfo = 0xFFFFFFFFu;  // GetProductInfo is missing
const DWORD kUnknownType = 0x99;           // a product type no table knows

struct ModernRow {
  DWORD major, minor, build;
  BYTE productType;
  DWORD productInfo;
  const char* expected;
};

const ModernRow kModernRows[] = {
    {6, 1, 7601, WKS, PRODUCT_PROFESSIONAL, "Windows 7 Professional"},
    {6, 1, 7601, WKS, PRODUCT_HOME_PREMIUM, "Windows 7 Home Premium"},
    {6, 1, 7601, SRV, PRODUCT_DATACENTER_SERVER, "Windows Server 2008 R2 Datacenter"},
    {6, 1, 7601, WKS, kNoProductInfo, "Windows 7"},
    {6, 2, 9200, WKS, PRODUCT_CORE, "Windows 8"},
    {6, 2, 9200, WKS, PRODUCT_PROFESSIONAL, "Windows 8 Pro"},
    {6, 2, 9200, SRV, PRODUCT_STANDARD_SERVER, "Windows Server 2012 Standard"},
    {6, 3, 9600, WKS, PRODUCT_CORE_SINGLELANGUAGE, "Windows 8.1 Single Language"},
    {6, 3, 9600, SRV, PRODUCT_DATACENTER_SERVER, "Windows Server 2012 R2 Datacenter"},
    {10, 0, 19045, WKS, PRODUCT_PROFESSIONAL, "Windows 10 Pro"},
    {10, 0, 21999, WKS, PRODUCT_CORE, "Windows 10 Home"},
    {10, 0, 22000, WKS, PRODUCT_CORE, "Windows 11 Home"},
    {10, 0, 26100, WKS, PRODUCT_ENTERPRISE, "Windows 11 Enterprise"},
    {10, 0, 14393, SRV, PRODUCT_STANDARD_SERVER, "Windows Server 2016 Standard"},
    {10, 0, 17763, SRV, PRODUCT_DATACENTER_SERVER, "Windows Server 2019 Datacenter"},
    {10, 0, 20348, DC, PRODUCT_DATACENTER_SERVER, "Windows Server 2022 Datacenter"},
    {10, 0, 26100, SRV, PRODUCT_STANDARD_SERVER_CORE,
     "Windows Server 2025 Standard (core installation)"},
    {10, 0, 20349, SRV, PRODUCT_STANDARD_SERVER, "Windows Server Standard"},
    {10, 0, 19045, WKS, kUnknownType, "Windows 10"},
    {10, 0, 19045, WKS, PRODUCT_UNDEFINED, "Windows 10"},
    {10, 0, 19045, WKS, PRODUCT_UNLICENSED, "Windows 10"},
};

std::string ModernName(const ModernRow& row) {
  auto machine = sim::MachineBuilder()
                     .With([&row](sim::Facts& f) {
                       f.majorVersion = row.major;
                       f.minorVersion = row.minor;
                       f.buildNumber = row.build;
                       f.productType = row.productType;
                       f.csdVersion = "Service Pack 1";
                       f.hasGetProductInfo = row.productInfo != kNoProductInfo;
                       f.productInfoType = row.productInfo;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  char name[2048 + 1];
  std::memset(name, 0, sizeof(name));
  EXPECT_TRUE(COsInfo().GetOsFullName(name, 2048));
  EXPECT_EQ(COsInfo().GetOsGeneration(), kOsVista);
  return name;
}

TEST(ModernOsName, BaseNameByVersionAndBuildThenTheEdition) {
  for (const ModernRow& row : kModernRows) {
    SCOPED_TRACE(testing::Message() << row.major << "." << row.minor << "." << row.build << " type "
                                    << row.productInfo);
    EXPECT_EQ(ModernName(row), row.expected);
  }
}

// Every product type of every table, and the numbers between: one blank between base name and
// edition, none at the ends, never doubled.
TEST(ModernOsName, EveryProductTypeReadsCleanly) {
  const ModernRow bases[] = {{6, 1, 7601, WKS, 0, "Windows 7"},
                             {6, 2, 9200, WKS, 0, "Windows 8"},
                             {6, 3, 9600, SRV, 0, "Windows Server 2012 R2"},
                             {10, 0, 22631, WKS, 0, "Windows 11"}};
  for (ModernRow row : bases) {
    for (DWORD type = 0; type <= 0x90; ++type) {
      row.productInfo = type;
      std::string name = ModernName(row);
      SCOPED_TRACE(name);
      EXPECT_EQ(name.compare(0, std::strlen(row.expected), row.expected), 0);
      EXPECT_EQ(name.find("  "), std::string::npos);
      EXPECT_NE(name.back(), ' ');
      EXPECT_EQ(name.find("Unknown"), std::string::npos);
    }
  }
}

// --- failures of GetOsFullName ---------------------------------------------------------------

// Each leaves the caller's buffer as it was.
struct FailureRow {
  const char* label;
  void (*setup)(sim::MachineBuilder&);
};

const FailureRow kFailureRows[] = {
    {"NoVersionAtAll",
     [](sim::MachineBuilder& b) {
       b.With([](sim::Facts& f) {
         f.versionWorks = false;
         f.extendedVersionWorks = false;
       });
     }},
    {"NoProductOptionsKey", [](sim::MachineBuilder& b) { NoExtended(b); }},
    {"NoProductTypeValue",
     [](sim::MachineBuilder& b) {
       NoExtended(b);
       b.Key(kProductOptions).String("Other", "WINNT");
     }},
    {"ProductTypeOver80Bytes",
     [](sim::MachineBuilder& b) { ProductType(b, std::string(80, 'W').c_str()); }},
    {"ProductTypeOf81RawBytes",
     [](sim::MachineBuilder& b) {
       NoExtended(b);
       b.Key(kProductOptions).Raw("ProductType", REG_SZ, sim::Bytes(81, 'W'));
     }},
};

TEST(OsNameFailure, LeavesTheBufferUntouchedAndClosesEveryKey) {
  for (const FailureRow& row : kFailureRows) {
    SCOPED_TRACE(row.label);
    sim::MachineBuilder builder;
    builder.With([](sim::Facts& f) {
      f.majorVersion = 4;
      f.minorVersion = 0;
      f.csdVersion = "Service Pack 6";
    });
    builder.Key(kHotfix);
    row.setup(builder);
    auto machine = builder.Build();
    sim::ScopedMachine installed(*machine);

    char name[2048 + 1];
    std::memset(name, 0, sizeof(name));
    std::strcpy(name, "before");
    EXPECT_FALSE(COsInfo().GetOsFullName(name, 2048));
    EXPECT_STREQ(name, "before");
    EXPECT_EQ(machine->OpenHandleCount(), 0);
  }
}

TEST(OsNameFailure, VersionFailureGivesTheFallbackGeneration) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.versionWorks = false;
                       f.extendedVersionWorks = false;
                       f.majorVersion = 6;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  EXPECT_EQ(COsInfo().GetOsGeneration(), kOsWinXp);
}

// --- how the name reaches the caller -------------------------------------------------------

TEST(OsNameCopy, IsCutToTheCapacityAndPadsOnlyThatFar) {
  auto machine = sim::MachineBuilder().Build();  // XP Professional SP2
  sim::ScopedMachine installed(*machine);
  char name[16];
  std::memset(name, '#', sizeof(name));
  EXPECT_TRUE(COsInfo().GetOsFullName(name, 10));
  EXPECT_EQ(std::string(name, 10), "Windows XP");
  EXPECT_EQ(name[10], '#');  // the caller's extra byte is the caller's business
}

TEST(OsNameCopy, AFullLengthServicePackTextIsKeptWhole) {
  std::string csd(127, 'x');
  auto machine = sim::MachineBuilder().With([&csd](sim::Facts& f) { f.csdVersion = csd; }).Build();
  sim::ScopedMachine installed(*machine);
  char name[2048 + 1];
  std::memset(name, 0, sizeof(name));
  EXPECT_TRUE(COsInfo().GetOsFullName(name, 2048));
  EXPECT_EQ(std::string(name), "Windows XP Professional " + csd);
}

TEST(OsNameLookups, NewerFunctionsAreLookedUpOnlyWhereTheyMatter) {
  struct Row {
    DWORD major, minor;
    long lookups;
  } rows[] = {{5, 1, 0}, {5, 0, 0}, {4, 0, 0}, {6, 1, 1}, {5, 2, 1}, {6, 0, 1}, {10, 0, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.major << "." << row.minor);
    auto machine = sim::MachineBuilder()
                       .With([&row](sim::Facts& f) {
                         f.majorVersion = row.major;
                         f.minorVersion = row.minor;
                         f.hasGetProductInfo = true;
                         f.productInfoType = 6;
                       })
                       .Build();
    sim::ScopedMachine installed(*machine);
    char name[2048 + 1];
    std::memset(name, 0, sizeof(name));
    COsInfo().GetOsFullName(name, 2048);
    EXPECT_EQ(machine->calls["GetProcAddress"], row.lookups);
    EXPECT_EQ(machine->calls["LoadLibraryA"], 0);
  }
}

// --- the edition table ---------------------------------------------------------------------

const char* const kEditions[] = {
    "Unknown Edition",
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
    "Unknown Edition",  // 29: past the table
    "Unknown Edition",  // 30
};

TEST(EditionName, EveryProductTypeOfTheTable) {
  COsInfo info;
  for (unsigned long type = 0; type < sizeof(kEditions) / sizeof(kEditions[0]); ++type) {
    SCOPED_TRACE(type);
    char edition[80 + 1];
    std::memset(edition, 0, sizeof(edition));
    EXPECT_TRUE(info.GetEditionName(type, edition, 80));
    EXPECT_STREQ(edition, kEditions[type]);
  }
  char edition[80 + 1];
  for (unsigned long type : {0xABCDul, 0xFFFFFFFFul}) {
    std::memset(edition, 0, sizeof(edition));
    EXPECT_TRUE(info.GetEditionName(type, edition, 80));
    EXPECT_STREQ(edition, "Unknown Edition");
  }
}

TEST(EditionName, ReachesTheVistaNameForEveryProductType) {
  for (DWORD type = 0; type < sizeof(kEditions) / sizeof(kEditions[0]); ++type) {
    SCOPED_TRACE(type);
    auto machine = sim::MachineBuilder()
                       .With([type](sim::Facts& f) {
                         f.majorVersion = 6;
                         f.minorVersion = 0;
                         f.csdVersion = "Service Pack 1";
                         f.hasGetProductInfo = true;
                         f.productInfoType = type;
                       })
                       .Build();
    sim::ScopedMachine installed(*machine);
    char name[2048 + 1];
    std::memset(name, 0, sizeof(name));
    EXPECT_TRUE(COsInfo().GetOsFullName(name, 2048));
    EXPECT_EQ(std::string(name), std::string("Windows Vista ") + kEditions[type]);
  }
}

TEST(EditionName, IsABoundedCopy) {
  char edition[8];
  std::memset(edition, '#', sizeof(edition));
  EXPECT_TRUE(COsInfo().GetEditionName(6, edition, 5));
  EXPECT_EQ(std::string(edition, 5), "Busin");
  EXPECT_EQ(edition[5], '#');

  std::memset(edition, '#', sizeof(edition));
  EXPECT_TRUE(COsInfo().GetEditionName(1, edition, 0));
  EXPECT_EQ(edition[0], '#');
}

// --- product id ----------------------------------------------------------------------------

TEST(ProductId, ReadsTheValueAndClosesTheKey) {
  auto machine = sim::MachineBuilder()
                     .Key(kCurrentVersion)
                     .String("ProductId", "55274-640-1234567-23456")
                     .Build();
  sim::ScopedMachine installed(*machine);
  char id[2048 + 1];
  std::memset(id, 0, sizeof(id));
  EXPECT_TRUE(COsInfo().GetProductId(id, 2048));
  EXPECT_STREQ(id, "55274-640-1234567-23456");
  EXPECT_EQ(machine->OpenHandleCount(), 0);
  EXPECT_EQ(machine->calls["RegOpenKeyExA"], machine->calls["RegCloseKey"]);
}

TEST(ProductId, MissingOrOversizedValuesLeaveTheBufferUntouched) {
  struct Row {
    const char* label;
    void (*setup)(sim::MachineBuilder&);
  } rows[] = {
      {"no key", [](sim::MachineBuilder&) {}},
      {"no value", [](sim::MachineBuilder& b) { b.Key(kCurrentVersion).String("Other", "1"); }},
      {"513 bytes",
       [](sim::MachineBuilder& b) {
         b.Key(kCurrentVersion).String("ProductId", std::string(512, '7'));
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    sim::MachineBuilder builder;
    row.setup(builder);
    auto machine = builder.Build();
    sim::ScopedMachine installed(*machine);
    char id[2048 + 1];
    std::memset(id, 0, sizeof(id));
    std::strcpy(id, "before");
    EXPECT_FALSE(COsInfo().GetProductId(id, 2048));
    EXPECT_STREQ(id, "before");
    EXPECT_EQ(machine->OpenHandleCount(), 0);
  }
}

TEST(ProductId, AValueOf512BytesFitsAndIsCutOnlyByTheCapacity) {
  std::string value(511, '7');
  auto machine = sim::MachineBuilder().Key(kCurrentVersion).String("ProductId", value).Build();
  sim::ScopedMachine installed(*machine);
  char id[2048 + 1];
  std::memset(id, 0, sizeof(id));
  EXPECT_TRUE(COsInfo().GetProductId(id, 2048));
  EXPECT_EQ(std::string(id), value);

  char shortId[6];
  std::memset(shortId, '#', sizeof(shortId));
  EXPECT_TRUE(COsInfo().GetProductId(shortId, 5));
  EXPECT_EQ(std::string(shortId, 6), "77777#");
  EXPECT_EQ(machine->OpenHandleCount(), 0);
}

// --- raw version data ----------------------------------------------------------------------

TEST(VersionData, ComesFromTheBasicRecord) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.majorVersion = 5;
                       f.minorVersion = 2;
                       f.platformId = VER_PLATFORM_WIN32_NT;
                       f.csdVersion = "Service Pack 1";
                       f.extendedVersionWorks = false;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  int major = 0, minor = 0, platform = 0;
  char csd[2048 + 1];
  std::memset(csd, 0, sizeof(csd));
  EXPECT_TRUE(COsInfo().GetVersionData(&major, &minor, &platform, csd, 2048));
  EXPECT_EQ(major, 5);
  EXPECT_EQ(minor, 2);
  EXPECT_EQ(platform, 2);
  EXPECT_STREQ(csd, "Service Pack 1");
}

TEST(VersionData, FailureLeavesAllFourOutputsUntouched) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.versionWorks = false;
                       f.extendedVersionWorks = false;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  int major = -7, minor = -8, platform = -9;
  char csd[16];
  std::memset(csd, 0, sizeof(csd));
  std::strcpy(csd, "before");
  EXPECT_FALSE(COsInfo().GetVersionData(&major, &minor, &platform, csd, 15));
  EXPECT_EQ(major, -7);
  EXPECT_EQ(minor, -8);
  EXPECT_EQ(platform, -9);
  EXPECT_STREQ(csd, "before");
}

TEST(VersionData, TheServicePackTextIsCutToTheCapacity) {
  auto machine = sim::MachineBuilder().Build();
  sim::ScopedMachine installed(*machine);
  int major = 0, minor = 0, platform = 0;
  char csd[8];
  std::memset(csd, '#', sizeof(csd));
  EXPECT_TRUE(COsInfo().GetVersionData(&major, &minor, &platform, csd, 7));
  EXPECT_EQ(std::string(csd, 8), "Service#");
}

}  // namespace
