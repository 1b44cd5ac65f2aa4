// The Vista software scan: uninstall entries plus the update packages of the servicing store.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "software/sw_fetcher_vista.h"
#include "software/sw_info.h"
#include "software_test_support.h"

namespace {

using swtest::kPackagesPath;
using swtest::kRecordPath;

// 100-nanosecond units since 1601-01-01 UTC.
uint64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second,
                    uint64_t ticks = 0) {
  // Days from 1970-01-01 (proleptic Gregorian), then shifted to 1601.
  int y = year - (month <= 2 ? 1 : 0);
  int era = (y >= 0 ? y : y - 399) / 400;
  int yearOfEra = y - era * 400;
  int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  int64_t days = static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
  int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second + 11644473600LL;
  return static_cast<uint64_t>(seconds) * 10000000u + ticks;
}

const char kExampleKey[] = "Package_for_KB100001~0a1b~x86~~6.0.1.0";

class VistaScanTest : public swtest::MachineTest {
 protected:
  // A package that passes every filter; tests change one thing at a time.
  sim::MachineBuilder& Package(const std::string& keyName, uint64_t installTime) {
    builder()
        .Key(std::string(kPackagesPath) + "\\" + keyName)
        .String("InstallClient", "WindowsUpdateAgent")
        .Dword("CurrentState", 7)
        .Dword("Visibility", 1)
        .Dword("InstallTimeHigh", static_cast<DWORD>(installTime >> 32))
        .Dword("InstallTimeLow", static_cast<DWORD>(installTime));
    return builder();
  }
  sim::MachineBuilder& Package(const std::string& keyName) {
    return Package(keyName, FileTimeOf(2008, 3, 4, 12, 0, 0));
  }

  std::string Scan() {
    Install();
    result_ = fetcher_.GetSoftwareList(kRecordPath, true);
    return RecordFile();
  }

  CSwFetcherVista fetcher_;
  bool result_ = false;
};

TEST_F(VistaScanTest, QualifyingPackageGivesItsLineAndCountsAsAnUpdate) {
  Package(kExampleKey);
  const std::string text = Scan();
  EXPECT_EQ(text, "KB100001/16.0.1.0/2Microsoft Corporation/3/4/5/6/720080304/8\n");
  EXPECT_TRUE(result_);

  SWInfo info;
  ASSERT_EQ(info.ParseLine(text.c_str()), 1);
  EXPECT_EQ(info.IsUpdate(), 1);
}

TEST_F(VistaScanTest, UninstallEntriesComeFirstInTheirOwnFormat) {
  Entry("Editor", {{"DisplayName", "Example Editor"}, {"Publisher", "Example Soft"}})
      .Dword("SystemComponent", 1);
  Package(kExampleKey).String("InstallLocation", "C:\\Windows\\servicing\\Packages");
  EXPECT_EQ(Scan(),
            "+Example Editor/1/2Example Soft/3/4/5/6/7/8\n"
            "KB100001/16.0.1.0/2Microsoft Corporation/3C:\\Windows\\servicing\\Packages/4/5/6/"
            "720080304/8\n");
  EXPECT_TRUE(result_);
}

TEST_F(VistaScanTest, WithoutAPackagesKeyOnlyUninstallEntriesAreListed) {
  Entry("Editor", {{"DisplayName", "Example Editor"}});
  EXPECT_EQ(Scan(), "Example Editor/1/2/3/4/5/6/7/8\n");
  EXPECT_TRUE(result_);
}

TEST_F(VistaScanTest, NothingToListFails) {
  builder().Key(kPackagesPath);
  EXPECT_EQ(Scan(), "");
  EXPECT_FALSE(result_);
  EXPECT_TRUE(RecordFileExists());
}

TEST_F(VistaScanTest, InstallClientIsComparedIgnoringAsciiCaseOnly) {
  Package("Package_for_A~1~1.0").String("InstallClient", "WINDOWSUPDATEAGENT");
  Package("Package_for_B~1~1.0").String("InstallClient", "windowsupdateagent");
  EXPECT_EQ(Scan(),
            "A/11.0/2Microsoft Corporation/3/4/5/6/720080304/8\n"
            "B/11.0/2Microsoft Corporation/3/4/5/6/720080304/8\n");
}

class VistaFilterTest
    : public VistaScanTest,
      public ::testing::WithParamInterface<std::pair<
          const char*, void (*)(sim::MachineBuilder&, sim::Registry&, const std::string&)>> {};

TEST_P(VistaFilterTest, EachFailingFilterAloneExcludesThePackage) {
  const std::string key = std::string(kPackagesPath) + "\\" + kExampleKey;
  Package(kExampleKey);
  GetParam().second(builder(), machine().registry, key);
  EXPECT_EQ(Scan(), "");
  EXPECT_FALSE(result_);
}

void SetClient(sim::MachineBuilder& b, const char* client) { b.String("InstallClient", client); }

INSTANTIATE_TEST_SUITE_P(
    Filters, VistaFilterTest,
    ::testing::Values(
        std::make_pair(
            "other client", +[](sim::MachineBuilder& b, sim::Registry&,
                                const std::string&) { SetClient(b, "Example Installer"); }),
        std::make_pair(
            "client with a suffix",
            +[](sim::MachineBuilder& b, sim::Registry&, const std::string&) {
              SetClient(b, "WindowsUpdateAgent2");
            }),
        std::make_pair(
            "client absent",
            +[](sim::MachineBuilder&, sim::Registry& r, const std::string& key) {
              r.DeleteValue(HKEY_LOCAL_MACHINE, key, "InstallClient");
            }),
        std::make_pair(
            "state 0", +[](sim::MachineBuilder& b, sim::Registry&,
                           const std::string&) { b.Dword("CurrentState", 0); }),
        std::make_pair(
            "state 6", +[](sim::MachineBuilder& b, sim::Registry&,
                           const std::string&) { b.Dword("CurrentState", 6); }),
        std::make_pair(
            "state 8", +[](sim::MachineBuilder& b, sim::Registry&,
                           const std::string&) { b.Dword("CurrentState", 8); }),
        std::make_pair(
            "state staged", +[](sim::MachineBuilder& b, sim::Registry&,
                                const std::string&) { b.Dword("CurrentState", 0x40); }),
        std::make_pair(
            "state superseded", +[](sim::MachineBuilder& b, sim::Registry&,
                                    const std::string&) { b.Dword("CurrentState", 0x50); }),
        std::make_pair(
            "state absent",
            +[](sim::MachineBuilder&, sim::Registry& r, const std::string& key) {
              r.DeleteValue(HKEY_LOCAL_MACHINE, key, "CurrentState");
            }),
        std::make_pair(
            "state stored as text", +[](sim::MachineBuilder& b, sim::Registry&,
                                        const std::string&) { b.String("CurrentState", "7"); }),
        std::make_pair(
            "visibility 2", +[](sim::MachineBuilder& b, sim::Registry&,
                                const std::string&) { b.Dword("Visibility", 2); }),
        std::make_pair(
            "visibility absent",
            +[](sim::MachineBuilder&, sim::Registry& r, const std::string& key) {
              r.DeleteValue(HKEY_LOCAL_MACHINE, key, "Visibility");
            })),
    [](const auto& info) {
      std::string name = info.param.first;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST_F(VistaScanTest, KeyNamesThatGiveNoDisplayNameGiveNoLine) {
  Package("Package_KB100001~0a1b~x86~~6.0.1.0");  // no "_for_"
  Package("Package_for_KB100001");                // no "~" after it
  Package("Package_for_~0a1b~x86~~6.0.1.0");      // "~" right after it
  Package("Tilde~first_for_KB1");                 // the only "~" before it
  EXPECT_EQ(Scan(), "");
  EXPECT_FALSE(result_);
}

TEST_F(VistaScanTest, APackageNameTooLongForItsAreaSkipsOnlyThatPackage) {
  Package("Package_for_L~1~" + std::string(600, '9'));
  Package("Package_for_Z~1~1");
  EXPECT_EQ(Scan(), "Z/11/2Microsoft Corporation/3/4/5/6/720080304/8\n");
}

TEST_F(VistaScanTest, NameEndingInTildeGivesAnEmptyVersion) {
  Package("Package_for_KB100001~0a1b~x86~~");
  EXPECT_EQ(Scan(), "KB100001/1/2Microsoft Corporation/3/4/5/6/720080304/8\n");
}

TEST_F(VistaScanTest, InstallDateIsTheUtcDateOfAWholeInstallTime) {
  const std::string packages = std::string(kPackagesPath) + "\\";
  Package("Package_for_A~1~1", FileTimeOf(2008, 3, 4, 23, 59, 59, 9999999));
  Package("Package_for_B~1~1", FileTimeOf(2008, 3, 5, 0, 0, 0));
  Package("Package_for_C~1~1");
  machine().registry.DeleteValue(HKEY_LOCAL_MACHINE, packages + "Package_for_C~1~1",
                                 "InstallTimeLow");
  Package("Package_for_D~1~1");
  machine().registry.DeleteValue(HKEY_LOCAL_MACHINE, packages + "Package_for_D~1~1",
                                 "InstallTimeHigh");
  Package("Package_for_E~1~1", 0x8000000000000000ull);  // top bit set: not a valid time
  Package("Package_for_F~1~1", FileTimeOf(1601, 1, 1, 0, 0, 0));
  EXPECT_EQ(Scan(),
            "A/11/2Microsoft Corporation/3/4/5/6/720080304/8\n"
            "B/11/2Microsoft Corporation/3/4/5/6/720080305/8\n"
            "C/11/2Microsoft Corporation/3/4/5/6/7/8\n"
            "D/11/2Microsoft Corporation/3/4/5/6/7/8\n"
            "E/11/2Microsoft Corporation/3/4/5/6/7/8\n"
            "F/11/2Microsoft Corporation/3/4/5/6/716010101/8\n");
}

TEST_F(VistaScanTest, InstallLocationUpTo512BytesWithLineBreaksAsBlanks) {
  Package("Package_for_A~1~1").String("InstallLocation", std::string(511, 'l'));
  Package("Package_for_B~1~1").String("InstallLocation", std::string(512, 'l'));
  Package("Package_for_C~1~1").String("InstallLocation", "C:\\x\r\ny");
  EXPECT_EQ(Scan(), "A/11/2Microsoft Corporation/3" + std::string(511, 'l') +
                        "/4/5/6/720080304/8\n" +
                        "B/11/2Microsoft Corporation/3/4/5/6/720080304/8\n" +
                        "C/11/2Microsoft Corporation/3C:\\x  y/4/5/6/720080304/8\n");
}

TEST_F(VistaScanTest, PackagesGivingIdenticalLinesAppearOnce) {
  Package("Package_for_KB100001~0a1b~amd64~~6.0.1.0");
  Package("Package_for_KB100001~0a1b~x86~~6.0.1.0");
  Package("Package_for_KB100001~ffff~x86~~6.0.1.1");
  EXPECT_EQ(Scan(),
            "KB100001/16.0.1.0/2Microsoft Corporation/3/4/5/6/720080304/8\n"
            "KB100001/16.0.1.1/2Microsoft Corporation/3/4/5/6/720080304/8\n");
}

TEST_F(VistaScanTest, RejectedPackagesReadNoMoreThanTheirFilterValues) {
  Package("Package_for_A~1~1").String("InstallClient", "Other");
  Package("Package_for_B~1~1").Dword("CurrentState", 0);
  Scan();
  // The uninstall key (absent), the packages key, two packages and the user's uninstall key
  // (absent); the first package is rejected after one value, the second after two.
  EXPECT_EQ(machine().calls["RegOpenKeyExA"], 5);
  EXPECT_EQ(machine().calls["RegQueryValueExA"], 3);
}

TEST_F(VistaScanTest, InstalledAndPermanentStatesQualifyAndSoDoesSeven) {
  Package("Package_for_A~1~1").Dword("CurrentState", 0x70);
  Package("Package_for_B~1~1").Dword("CurrentState", 0x80);
  Package("Package_for_C~1~1").Dword("CurrentState", 7);
  EXPECT_EQ(Scan(),
            "A/11/2Microsoft Corporation/3/4/5/6/720080304/8\n"
            "B/11/2Microsoft Corporation/3/4/5/6/720080304/8\n"
            "C/11/2Microsoft Corporation/3/4/5/6/720080304/8\n");
}

// 64-bit Windows: the 64-bit view, then the 32-bit one, the packages (64-bit view only), then
// the user's products. A product that both views hold is listed once.
TEST_F(VistaScanTest, SixtyFourBitWindowsListsBothViewsThenThePackagesThenTheUser) {
  builder().With([](sim::Facts& f) { f.nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64; });
  Entry("Native", {{"DisplayName", "Native Tool"}});
  Entry("Runtime", {{"DisplayName", "Shared Runtime"}});
  Entry("Legacy", {{"DisplayName", "Legacy Tool"}}, "Wow6432Node");
  Entry("Runtime", {{"DisplayName", "Shared Runtime"}}, "Wow6432Node");
  Entry("Chat", {{"DisplayName", "Chat Client"}}, "HKCU");
  Package(kExampleKey);
  builder()
      .Key("SOFTWARE\\Wow6432Node" + std::string(kPackagesPath).substr(8) + "\\Package_for_KB9~1~1")
      .String("InstallClient", "WindowsUpdateAgent")
      .Dword("CurrentState", 0x70)
      .Dword("Visibility", 1);
  EXPECT_EQ(Scan(),
            "Native Tool/1/2/3/4/5/6/7/8\n"
            "Shared Runtime/1/2/3/4/5/6/7/8\n"
            "Legacy Tool/1/2/3/4/5/6/7/8\n"
            "KB100001/16.0.1.0/2Microsoft Corporation/3/4/5/6/720080304/8\n"
            "Chat Client/1/2/3/4/5/6/7/8\n");
}

TEST(VistaPackageNames, DisplayNameAndVersionFromTheKeyName) {
  struct Case {
    const char* key;
    bool nameFound;
    const char* name;
    bool versionFound;
    const char* version;
  };
  const std::vector<Case> cases = {
      {"Package_for_KB100001~0a1b~x86~~6.0.1.0", true, "KB100001", true, "6.0.1.0"},
      {"A_for_B_for_C~1", true, "B_for_C", true, "1"},
      {"_for_X~", true, "X", true, ""},
      {"Package_for_KB1", false, "", false, ""},
      {"Package_KB1~1", false, "", true, "1"},
      {"Package_for_~x~1", false, "", true, "1"},
      {"~Package_for_", false, "", false, ""},
      {"~", false, "", false, ""},
      {"", false, "", false, ""},
  };
  CSwFetcherVista fetcher;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    char name[512 + 1];
    char version[512 + 1];
    std::memset(name, 0, sizeof name);
    std::memset(version, 0, sizeof version);
    EXPECT_EQ(fetcher.GetPackageDisplayName(c.key, name, 512), c.nameFound);
    EXPECT_STREQ(name, c.name);
    EXPECT_EQ(fetcher.GetPackageVersion(c.key, version, 512), c.versionFound);
    EXPECT_STREQ(version, c.version);
  }
}

TEST(VistaPackageNames, OutputIsCutToItsCapacity) {
  CSwFetcherVista fetcher;
  char text[8];
  std::memset(text, 0, sizeof text);
  EXPECT_TRUE(fetcher.GetPackageDisplayName("Package_for_KB1234567890~1~2.3.4.5", text, 4));
  EXPECT_STREQ(text, "KB12");
  std::memset(text, 0, sizeof text);
  EXPECT_TRUE(fetcher.GetPackageVersion("Package_for_KB1~1~2.3.4.5", text, 4));
  EXPECT_STREQ(text, "2.3.");
  EXPECT_FALSE(fetcher.GetPackageDisplayName(nullptr, text, 4));
  EXPECT_FALSE(fetcher.GetPackageVersion(nullptr, text, 4));
}

}  // namespace
