// The uninstall scan: what one uninstall entry becomes in the software record file.
#include <string>
#include <vector>

#include "software/sw_fetcher.h"
#include "software_test_support.h"

namespace {

using swtest::kRecordPath;
using swtest::kUninstallPath;

const char kEmpty[] = "/1/2/3/4/5/6/7/8\n";

class UninstallScanTest : public swtest::MachineTest {
 protected:
  std::string Scan(bool removeDuplicates = true) {
    Install();
    result_ = fetcher_.GetSoftwareList(kRecordPath, removeDuplicates);
    return RecordFile();
  }
  // An entry named `key` whose value `name` holds `data` of `type`.
  void Valued(const std::string& key, const char* name, DWORD type, const sim::Bytes& data) {
    Entry(key, {{"DisplayName", key}}).Raw(name, type, data);
  }

  CSwFetcher fetcher_;
  bool result_ = false;
};

// Nine fields in the order of the line; an entry without a readable name (1024 bytes are
// offered) is skipped and not counted; values are copied as stored but for line breaks.
TEST_F(UninstallScanTest, EachEntryWithANameIsOneLineOfNineFields) {
  Entry("A", {{"Publisher", "no name"}});
  Entry("B", {{"DisplayName", "Example Editor"},
              {"DisplayVersion", "2.1"},
              {"Publisher", "Example/3Soft"},
              {"InstallLocation", "C:\\Program Files\\Editor"},
              {"RegCompany", "Example Corp"},
              {"RegOwner", "x\ry"},
              {"ProductID", "55274-640"},
              {"InstallDate", " 20070502 "}})
      .Dword("EstimatedSize", 12);
  Entry("C", {{"DisplayName", std::string(1024, 'n')}});
  Entry("D", {{"DisplayName", std::string(1023, 'a')}});
  builder()
      .Key(std::string(kUninstallPath) + "\\E")
      .Raw("DisplayName", REG_SZ, sim::Bytes(1024, 'b'));
  Entry("F", {{"DisplayName", "Two\r\nLines\x1a"}});
  builder()
      .Key(std::string(kUninstallPath) + "\\G")
      .Raw("DisplayName", REG_MULTI_SZ, {'F', 'i', 'r', 's', 't', 0, 'S', 0, 0})
      .Raw("InstallLocation", REG_EXPAND_SZ, {'%', 'P', 'F', '%', 0});
  Entry("M" + std::string(511, 'm'), {{"DisplayName", "name too long for its area"}});
  Entry("Z", {{"DisplayName", ""}});
  EXPECT_EQ(Scan(),
            "Example Editor/12.1/2Example/3Soft/3C:\\Program Files\\Editor/4Example Corp/5x y/"
            "655274-640/7 20070502 /812\n" +
                std::string(1023, 'a') + kEmpty + std::string(1024, 'b') + kEmpty +
                "Two  Lines /1/2/3/4/5/6/7/8\nFirst/1/2/3%PF%/4/5/6/7/8\n" + kEmpty);
  EXPECT_TRUE(result_);
}

TEST_F(UninstallScanTest, OnlyAFourByteSystemComponentOfOneMarksAComponent) {
  Valued("A0", "SystemComponent", REG_DWORD, {0, 0, 0, 0});
  Valued("A1", "SystemComponent", REG_DWORD, {1, 0, 0, 0});
  Valued("A2", "SystemComponent", REG_DWORD, {2, 0, 0, 0});
  Valued("A3", "SystemComponent", REG_SZ, {'1', 0});
  Valued("A4", "SystemComponent", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0});
  Valued("A5", "SystemComponent", REG_BINARY, {1});
  EXPECT_EQ(Scan(), std::string("A0") + kEmpty + "+A1" + kEmpty + "A2" + kEmpty + "A3" + kEmpty +
                        "A4" + kEmpty + "+A5" + kEmpty);
}

TEST_F(UninstallScanTest, EstimatedSizeIsASigned32BitNumberAndEmptyWhenZeroOrUnreadable) {
  Valued("S0", "EstimatedSize", REG_DWORD, {0, 0, 0, 0});
  Valued("S1", "EstimatedSize", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
  Valued("S2", "EstimatedSize", REG_DWORD, {0, 0, 0, 0x80});
  Valued("S3", "EstimatedSize", REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0});
  Valued("S4", "EstimatedSize", REG_SZ, {'7', 0});  // "7" and its terminator as a number
  EXPECT_EQ(Scan(),
            "S0/1/2/3/4/5/6/7/8\nS1/1/2/3/4/5/6/7/8-1\nS2/1/2/3/4/5/6/7/8-2147483648\n"
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
  EXPECT_EQ(Scan(false), std::string("Tool") + kEmpty + "Tool" + kEmpty);
  EXPECT_EQ(Scan(true), std::string("Tool") + kEmpty);
}

TEST_F(UninstallScanTest, WithoutEntriesTheFileIsEmptyAndTheScanFails) {
  Install();
  WriteRecordFile("left over\n");
  EXPECT_FALSE(fetcher_.GetSoftwareList(kRecordPath, true));
  EXPECT_EQ(RecordFile(), "");
  Entry("A", {{"DisplayName", "first"}});
  EXPECT_FALSE(fetcher_.GetSoftwareList("", true));
  EXPECT_FALSE(fetcher_.GetSoftwareList(nullptr, true));
  EXPECT_FALSE(fetcher_.GetSoftwareList("C:\\no such folder\\records.tmp", true));
  EXPECT_EQ(machine().calls["RegOpenKeyExA"], 2);  // the first scan's two keys only
}

TEST_F(UninstallScanTest, RemoveDuplicateLinesRewritesAnyFileWithItsDistinctLines) {
  Install();
  EXPECT_FALSE(fetcher_.RemoveDuplicateLines(""));
  EXPECT_FALSE(fetcher_.RemoveDuplicateLines(nullptr));
  EXPECT_FALSE(fetcher_.RemoveDuplicateLines(kRecordPath));
  EXPECT_FALSE(std::filesystem::exists(RecordHostPath()));
  const std::string longLine(5000, 'L');
  WriteRecordFile("b\na\nb\n" + longLine + "\n" + longLine + "\nA\na\nlast");
  EXPECT_TRUE(fetcher_.RemoveDuplicateLines(kRecordPath));
  EXPECT_EQ(RecordFile(), "b\na\n" + longLine + "\nA\nlast");
}

}  // namespace
