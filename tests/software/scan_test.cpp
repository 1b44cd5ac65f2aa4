// The software scans: what uninstall entries and servicing packages become in the record
// file. The common cases are the software-uninstall, software-vista and 64-bit fixtures'
// reports.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "platform/sim/builder.h"
#include "software/sw_fetcher.h"
#include "software/sw_fetcher_vista.h"

namespace {

const char kRecordPath[] = "C:\\records.tmp";
const char kEmpty[] = "/1/2/3/4/5/6/7/8\n";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kPackages =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based Servicing\\Packages";
const uint64_t kMarch4 = 0x1c87def45b1e000;  // 2008-03-04 12:00:00 UTC as a file time
const char kMs[] = "/2Microsoft Corporation/3";

// A machine whose C: drive is a fresh host folder; every test ends with all keys closed.
class ScanTest : public ::testing::Test {
 protected:
  ScanTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "swtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
    builder_.With([this](sim::Facts& facts) { facts.driveFolders['C'] = folder_; });
  }
  ~ScanTest() override { std::filesystem::remove_all(folder_); }
  void TearDown() override { EXPECT_EQ(machine().OpenHandleCount(), 0); }

  sim::Machine& machine() { return builder_.machine(); }
  sim::MachineBuilder& builder() { return builder_; }
  void Install() {
    if (!installed_) installed_ = std::make_unique<sim::ScopedMachine>(machine());
  }
  std::string Scan(CSwFetcher& fetcher, bool removeDuplicates = true) {
    Install();
    result_ = fetcher.GetSoftwareList(kRecordPath, removeDuplicates);
    return RecordFile();
  }
  std::string RecordHostPath() { return folder_ + "/records.tmp"; }
  std::string RecordFile() {
    std::ostringstream text;
    text << std::ifstream(RecordHostPath(), std::ios::binary).rdbuf();
    return text.str();
  }
  void WriteRecordFile(const std::string& text) {
    std::ofstream(RecordHostPath(), std::ios::binary) << text;
  }

  // An uninstall entry with string values, under the machine's key (the 64-bit view on
  // 64-bit Windows), its 32-bit view ("Wow6432Node") or the user's ("HKCU").
  sim::MachineBuilder& Entry(const std::string& keyName,
                             std::initializer_list<std::pair<const char*, std::string>> texts,
                             const std::string& under = "") {
    if (under == "HKCU")
      builder_.Key(kUninstall + keyName, HKEY_CURRENT_USER);
    else if (under == "Wow6432Node")
      builder_.Key("SOFTWARE\\Wow6432Node" + kUninstall.substr(8) + keyName);
    else
      builder_.Key(kUninstall + keyName);
    for (const auto& text : texts) builder_.String(text.first, text.second);
    return builder_;
  }
  // An entry named `key` whose value `name` holds `data` of `type`.
  void Valued(const std::string& key, const char* name, DWORD type, const sim::Bytes& data) {
    Entry(key, {{"DisplayName", key}}).Raw(name, type, data);
  }
  // A package that passes every filter; tests change one thing at a time.
  sim::MachineBuilder& Package(const std::string& keyName, uint64_t installTime = kMarch4) {
    return builder_.Key(kPackages + "\\" + keyName)
        .String("InstallClient", "WindowsUpdateAgent")
        .Dword("CurrentState", 0x70)
        .Dword("Visibility", 1)
        .Dword("InstallTimeHigh", static_cast<DWORD>(installTime >> 32))
        .Dword("InstallTimeLow", static_cast<DWORD>(installTime));
  }
  void DeleteValue(const std::string& keyName, const char* name) {
    machine().registry.DeleteValue(HKEY_LOCAL_MACHINE, kPackages + "\\" + keyName, name);
  }

  std::string folder_;
  sim::MachineBuilder builder_;
  std::unique_ptr<sim::ScopedMachine> installed_;
  CSwFetcher xp_;
  CSwFetcherVista vista_;
  bool result_ = false;
};
class UninstallScanTest : public ScanTest {};
class VistaScanTest : public ScanTest {};

// An entry without a readable
// name (1024 bytes are offered) is skipped and not counted; values are copied as stored, the
// first string of a multi-string, but for line breaks.
TEST_F(UninstallScanTest, EachEntryWithANameIsOneLineOfNineFields) {
  Entry("A", {{"Publisher", "no name"}});
  Entry("B", {{"DisplayName", "Tool"}, {"Publisher", "Example/3Soft"}, {"RegOwner", "x\ry"}});
  Entry("C", {{"DisplayName", std::string(1024, 'n')}});
  Entry("D", {{"DisplayName", std::string(1023, 'a')}});
  Entry("E", {}).Raw("DisplayName", REG_SZ, sim::Bytes(1024, 'b'));
  Entry("G", {})
      .Raw("DisplayName", REG_MULTI_SZ, {'F', 'i', 'r', 's', 't', 0, 'S', 0, 0})
      .Raw("InstallLocation", REG_EXPAND_SZ, {'%', 'P', 'F', '%', 0});
  Entry("M" + std::string(511, 'm'), {{"DisplayName", "name too long for its area"}});
  Entry("Z", {{"DisplayName", ""}});
  EXPECT_EQ(Scan(xp_), "Tool/1/2Example/3Soft/3/4/5x y/6/7/8\n" + std::string(1023, 'a') + kEmpty +
                           std::string(1024, 'b') + kEmpty + "First/1/2/3%PF%/4/5/6/7/8\n" +
                           kEmpty);
  EXPECT_TRUE(result_);
}

TEST_F(UninstallScanTest, OnlyAFourByteSystemComponentOfOneMarksAComponent) {
  Valued("A2", "SystemComponent", REG_DWORD, {2, 0, 0, 0});
  Valued("A3", "SystemComponent", REG_SZ, {'1', 0});
  Valued("A4", "SystemComponent", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0});
  Valued("A5", "SystemComponent", REG_BINARY, {1});
  EXPECT_EQ(Scan(xp_), std::string("A2") + kEmpty + "A3" + kEmpty + "A4" + kEmpty + "+A5" + kEmpty);
}

TEST_F(UninstallScanTest, EstimatedSizeIsASigned32BitNumberAndEmptyWhenUnreadable) {
  Valued("S2", "EstimatedSize", REG_DWORD, {0, 0, 0, 0x80});
  Valued("S3", "EstimatedSize", REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0});
  Valued("S4", "EstimatedSize", REG_SZ, {'7', 0});  // "7" and its terminator as a number
  EXPECT_EQ(Scan(xp_),
            "S2/1/2/3/4/5/6/7/8-2147483648\n"
            "S3/1/2/3/4/5/6/7/8\nS4/1/2/3/4/5/6/7/855\n");
}

// 32-bit Windows has one view, opened without view flags: Windows 2000 refuses them, and a
// Wow6432Node key there is no view of anything. The user's products follow the machine's.
TEST_F(UninstallScanTest, ThirtyTwoBitWindowsReadsOneViewThenTheUser) {
  builder().With([](sim::Facts& f) {
    f.majorVersion = 5;
    f.minorVersion = 0;
  });
  Entry("Chat", {{"DisplayName", "Tool"}}, "HKCU");
  Entry("Editor", {{"DisplayName", "Tool"}});
  Entry("Stray", {{"DisplayName", "Stray"}}, "Wow6432Node");
  EXPECT_EQ(Scan(xp_, false), std::string("Tool") + kEmpty + "Tool" + kEmpty);
  EXPECT_EQ(Scan(xp_, true), std::string("Tool") + kEmpty);
}

TEST_F(UninstallScanTest, WithoutEntriesTheFileIsEmptyAndTheScanFails) {
  Install();
  WriteRecordFile("left over\n");
  EXPECT_FALSE(xp_.GetSoftwareList(kRecordPath, true));
  EXPECT_EQ(RecordFile(), "");
  Entry("A", {{"DisplayName", "first"}});
  EXPECT_FALSE(xp_.GetSoftwareList("", true));
  EXPECT_FALSE(xp_.GetSoftwareList(nullptr, true));
  EXPECT_FALSE(xp_.GetSoftwareList("C:\\no such folder\\records.tmp", true));
  EXPECT_EQ(machine().calls["RegOpenKeyExA"], 2);  // the first scan's two keys only
}

TEST_F(UninstallScanTest, RemoveDuplicateLinesRewritesAnyFileWithItsDistinctLines) {
  Install();
  EXPECT_FALSE(xp_.RemoveDuplicateLines(""));
  EXPECT_FALSE(xp_.RemoveDuplicateLines(nullptr));
  EXPECT_FALSE(xp_.RemoveDuplicateLines(kRecordPath));
  EXPECT_FALSE(std::filesystem::exists(RecordHostPath()));
  WriteRecordFile("b\na\nb\nA\na\nlast");
  EXPECT_TRUE(xp_.RemoveDuplicateLines(kRecordPath));
  EXPECT_EQ(RecordFile(), "b\na\nA\nlast");
}

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
  EXPECT_EQ(Scan(vista_), std::string("Example Editor/1/2/3/4/5/6/7/8\nK/11.0") + kMs + "C:\\x  y" +
                              rest + "L/11" + kMs + rest + "M/11" + kMs + std::string(511, 'l') +
                              rest + "N/1" + kMs + rest + "P/11" + kMs + rest);
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
  EXPECT_EQ(Scan(vista_), std::string("listed/11") + kMs + "/4/5/6/720080304/8\n");
  EXPECT_EQ(machine().calls["RegQueryValueExA"], 36);  // no more than their filters
}

TEST_F(VistaScanTest, NothingToListFailsAndAMissingStoreIsNoError) {
  builder().Key(kPackages);
  EXPECT_EQ(Scan(vista_), "");
  EXPECT_FALSE(result_);
  machine().registry.DeleteKey(HKEY_LOCAL_MACHINE, kPackages);
  Entry("Editor", {{"DisplayName", "Example Editor"}});
  EXPECT_EQ(Scan(vista_), "Example Editor/1/2/3/4/5/6/7/8\n");
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
  EXPECT_EQ(Scan(vista_), "A" + line + "20080304/8\nB" + line + "20080305/8\nC" + line + "/8\nD" +
                              line + "/8\nE" + line + "/8\nF" + line + "16010101/8\n");
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
