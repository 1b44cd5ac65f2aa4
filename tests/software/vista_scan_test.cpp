// The Vista software scan: uninstall entries plus the update packages of the servicing store.
#include <string>

#include "software/sw_fetcher_vista.h"
#include "software_test_support.h"

namespace {

using swtest::kRecordPath;

const std::string kPackages =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based Servicing\\Packages";
const uint64_t kMarch4 = 0x1c87def45b1e000;  // 2008-03-04 12:00:00 UTC as a file time
const char kMs[] = "/2Microsoft Corporation/3";

class VistaScanTest : public swtest::MachineTest {
 protected:
  // A package that passes every filter; tests change one thing at a time.
  sim::MachineBuilder& Package(const std::string& keyName, uint64_t installTime = kMarch4) {
    return builder()
        .Key(kPackages + "\\" + keyName)
        .String("InstallClient", "WindowsUpdateAgent")
        .Dword("CurrentState", 0x70)
        .Dword("Visibility", 1)
        .Dword("InstallTimeHigh", static_cast<DWORD>(installTime >> 32))
        .Dword("InstallTimeLow", static_cast<DWORD>(installTime));
  }
  std::string Scan() {
    Install();
    result_ = fetcher_.GetSoftwareList(kRecordPath, true);
    return RecordFile();
  }
  void DeleteValue(const std::string& keyName, const char* name) {
    machine().registry.DeleteValue(HKEY_LOCAL_MACHINE, kPackages + "\\" + keyName, name);
  }

  CSwFetcherVista fetcher_;
  bool result_ = false;
};

// The common cases are the software-vista and 64-bit fixtures' reports.
TEST_F(VistaScanTest, QualifyingPackagesFollowTheUninstallEntries) {
  Entry("Editor", {{"DisplayName", "Example Editor"}});
  Package("Package_for_K~1~1.0").String("InstallLocation", "C:\\x\r\ny");
  Package("Package_for_L~1~1").String("InstallLocation", std::string(512, 'l'));
  Package("Package_for_M~1~1").String("InstallLocation", std::string(511, 'l'));
  Package("Package_for_N~")
      .Dword("CurrentState", 0x80)
      .String("InstallClient", "windowsupdateAGENT");
  Package("Package_for_O~1~" + std::string(600, '9'));  // a key name too long for its area
  Package("Package_for_P~1~1").Dword("CurrentState", 7);
  const std::string rest = "/4/5/6/720080304/8\n";
  EXPECT_EQ(Scan(), std::string("Example Editor/1/2/3/4/5/6/7/8\nK/11.0") + kMs + "C:\\x  y" +
                        rest + "L/11" + kMs + rest + "M/11" + kMs + std::string(511, 'l') + rest +
                        "N/1" + kMs + rest + "P/11" + kMs + rest);
  EXPECT_TRUE(result_);
}

// Every package failing one filter, or giving no display name, is passed over; the ones after
// it are still read.
TEST_F(VistaScanTest, EachFailingFilterAloneExcludesAPackage) {
  Package("A_for_client~1").String("InstallClient", "WindowsUpdateAgent2");
  Package("B_for_no client~1");
  DeleteValue("B_for_no client~1", "InstallClient");
  Package("C_for_state~1").Dword("CurrentState", 0x50);
  Package("D_for_state~1").Dword("CurrentState", 8);
  Package("E_for_state~1").Dword("CurrentState", 0x40);
  Package("F_for_state as text~1").String("CurrentState", "7");
  Package("G_for_no state~1");
  DeleteValue("G_for_no state~1", "CurrentState");
  Package("H_for_hidden~1").Dword("Visibility", 2);
  Package("I_for_no visibility~1");
  DeleteValue("I_for_no visibility~1", "Visibility");
  Package("J_KB1~1");            // no "_for_"
  Package("K_for_KB1");          // no "~" after it
  Package("L_for_~0a1b~x86~1");  // "~" right after it
  Package("M~first_for_KB1");    // the only "~" before it
  Package("Z_for_listed~1");
  EXPECT_EQ(Scan(), std::string("listed/11") + kMs + "/4/5/6/720080304/8\n");
  EXPECT_EQ(machine().calls["RegQueryValueExA"], 36);  // no more than their filters
}

TEST_F(VistaScanTest, NothingToListFailsAndAMissingStoreIsNoError) {
  builder().Key(kPackages);
  EXPECT_EQ(Scan(), "");
  EXPECT_FALSE(result_);
  machine().registry.DeleteKey(HKEY_LOCAL_MACHINE, kPackages);
  Entry("Editor", {{"DisplayName", "Example Editor"}});
  EXPECT_EQ(Scan(), "Example Editor/1/2/3/4/5/6/7/8\n");
  EXPECT_TRUE(result_);
}

TEST_F(VistaScanTest, InstallDateIsTheUtcDateOfAWholeInstallTime) {
  Package("A~_for_A~1", 0x1c87e53dae6bfff);  // 2008-03-04 23:59:59.9999999
  Package("B~_for_B~1", 0x1c87e53dae6c000);  // 2008-03-05 00:00:00
  Package("C~_for_C~1");
  DeleteValue("C~_for_C~1", "InstallTimeLow");
  Package("D~_for_D~1");
  DeleteValue("D~_for_D~1", "InstallTimeHigh");
  Package("E~_for_E~1", 0x8000000000000000ull);  // top bit set: not a valid time
  Package("F~_for_F~1", 0);
  const std::string line = std::string("/11") + kMs + "/4/5/6/7";
  EXPECT_EQ(Scan(), "A" + line + "20080304/8\nB" + line + "20080305/8\nC" + line + "/8\nD" + line +
                        "/8\nE" + line + "/8\nF" + line + "16010101/8\n");
}

TEST(VistaPackageNames, NameAndVersionAreCutToTheirCapacity) {
  CSwFetcherVista fetcher;
  char text[8] = {}, version[8] = {};
  EXPECT_TRUE(fetcher.GetPackageDisplayName("A_for_B_for_C1234567~1~2.3.4.5", text, 6));
  EXPECT_STREQ(text, "B_for_");
  EXPECT_TRUE(fetcher.GetPackageVersion("P_for_KB1~1~2.3.4.5", version, 4));
  EXPECT_STREQ(version, "2.3.");
  EXPECT_FALSE(fetcher.GetPackageDisplayName(nullptr, text, 4));
  EXPECT_FALSE(fetcher.GetPackageVersion(nullptr, text, 4));
  EXPECT_FALSE(fetcher.GetPackageVersion("", text, 4));
  EXPECT_FALSE(fetcher.GetPackageVersion("~1", text, 4));
}

}  // namespace
