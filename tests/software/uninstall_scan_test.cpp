// The uninstall scan: what one uninstall entry becomes in the software record file, and the
// duplicate removal that follows.
#include <string>
#include <vector>

#include "software/sw_fetcher.h"
#include "software_test_support.h"

namespace {

using swtest::DwordBytes;
using swtest::kRecordPath;
using swtest::kUninstallPath;

class UninstallScanTest : public swtest::MachineTest {
 protected:
  // Runs the scan into the record file and returns the file's text.
  std::string Scan(bool removeDuplicates = true) {
    Install();
    result_ = fetcher_.GetSoftwareList(kRecordPath, removeDuplicates);
    return RecordFile();
  }

  CSwFetcher fetcher_;
  bool result_ = false;
};

TEST_F(UninstallScanTest, AllValuesGiveNineFieldsInFileOrder) {
  Entry("Editor", {{"DisplayName", "Example Editor"},
                   {"DisplayVersion", "2.1"},
                   {"Publisher", "Example Soft"},
                   {"InstallLocation", "C:\\Program Files\\Editor"},
                   {"RegCompany", "Example Corp"},
                   {"RegOwner", "anna"},
                   {"ProductID", "55274-640"},
                   {"InstallDate", "20070502"}})
      .Dword("EstimatedSize", 12);
  EXPECT_EQ(Scan(),
            "Example Editor/12.1/2Example Soft/3C:\\Program Files\\Editor/4Example Corp/5anna/"
            "655274-640/720070502/812\n");
  EXPECT_TRUE(result_);
}

TEST_F(UninstallScanTest, AbsentValuesLeaveEmptyFieldsBetweenAllMarkers) {
  Entry("Only", {{"DisplayName", "Only A Name"}});
  Entry("Empty", {{"DisplayName", ""}});
  Entry("EmptyComponent", {{"DisplayName", ""}}).Dword("SystemComponent", 1);
  Entry(
      "Some",
      {{"DisplayName", "Example Editor"}, {"DisplayVersion", "2.1"}, {"Publisher", "Example Soft"}})
      .Dword("EstimatedSize", 12);
  EXPECT_EQ(Scan(),
            "/1/2/3/4/5/6/7/8\n"
            "+/1/2/3/4/5/6/7/8\n"
            "Only A Name/1/2/3/4/5/6/7/8\n"
            "Example Editor/12.1/2Example Soft/3/4/5/6/7/812\n");
  EXPECT_TRUE(result_);
}

TEST_F(UninstallScanTest, EntriesWithoutAReadableNameAreSkippedAndNotCounted) {
  Entry("NoName", {{"Publisher", "Example Soft"}});
  Entry("TooLong", {{"DisplayName", std::string(1024, 'n')}});  // 1025 bytes with terminator
  EXPECT_EQ(Scan(), "");
  EXPECT_FALSE(result_);
}

TEST_F(UninstallScanTest, NameOfExactly1024BytesIsKept) {
  Entry("Fits", {{"DisplayName", std::string(1023, 'a')}});
  // Stored without a terminator, 1024 characters are 1024 bytes and still fit.
  builder()
      .Key(std::string(kUninstallPath) + "\\Unterminated")
      .Raw("DisplayName", REG_SZ, sim::Bytes(1024, 'b'));
  EXPECT_EQ(Scan(), std::string(1023, 'a') + "/1/2/3/4/5/6/7/8\n" + std::string(1024, 'b') +
                        "/1/2/3/4/5/6/7/8\n");
}

TEST_F(UninstallScanTest, OnlyAFourByteSystemComponentOfOneMarksAComponent) {
  struct Case {
    const char* key;
    DWORD type;
    sim::Bytes data;
    bool component;
  };
  const std::vector<Case> cases = {
      {"A0", REG_DWORD, DwordBytes(0), false},
      {"A1", REG_DWORD, DwordBytes(1), true},
      {"A2", REG_DWORD, DwordBytes(2), false},
      {"A3", REG_SZ, {'1', 0}, false},                     // the digit: 0x0031, not 1
      {"A4", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false},  // too long for 4 bytes
      {"A5", REG_BINARY, {1}, true},                       // the type is not looked at
  };
  std::string expected;
  for (const Case& c : cases) {
    Entry(c.key, {{"DisplayName", c.key}}).Raw("SystemComponent", c.type, c.data);
    expected += std::string(c.component ? "+" : "") + c.key + "/1/2/3/4/5/6/7/8\n";
  }
  EXPECT_EQ(Scan(), expected);
}

TEST_F(UninstallScanTest, EstimatedSizeIsASigned32BitNumberAndEmptyWhenZeroOrUnreadable) {
  struct Case {
    const char* key;
    DWORD type;
    sim::Bytes data;
    const char* field;
  };
  const std::vector<Case> cases = {
      {"S0", REG_DWORD, DwordBytes(0), ""},
      {"S1", REG_DWORD, DwordBytes(12), "12"},
      {"S2", REG_DWORD, DwordBytes(4294967295u), "-1"},
      {"S3", REG_DWORD, DwordBytes(2147483648u), "-2147483648"},
      {"S4", REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0}, ""},
      {"S5", REG_SZ, {'7', 0}, "55"},  // "7" and its terminator read as a number
  };
  std::string expected;
  for (const Case& c : cases) {
    Entry(c.key, {{"DisplayName", c.key}}).Raw("EstimatedSize", c.type, c.data);
    expected += std::string(c.key) + "/1/2/3/4/5/6/7/8" + c.field + "\n";
  }
  Entry("S6", {{"DisplayName", "S6"}});  // absent
  expected += "S6/1/2/3/4/5/6/7/8\n";
  EXPECT_EQ(Scan(), expected);
}

TEST_F(UninstallScanTest, ValuesAreCopiedAsStoredExceptThatLineBreaksBecomeBlanks) {
  Entry("A", {{"DisplayName", "+Plus Tool"}, {"Publisher", "Example/3Soft"}});
  Entry("B", {{"DisplayName", "Two\r\nLines"}, {"DisplayVersion", "1\n2"}, {"RegOwner", "x\ry"}});
  Entry("C", {{"DisplayName", "End\x1amark"}, {"InstallDate", "  02.05.2007 "}});
  // Only the first string of a multi-string, and an expandable string unexpanded.
  builder()
      .Key(std::string(kUninstallPath) + "\\D")
      .Raw("DisplayName", REG_MULTI_SZ, {'F', 'i', 'r', 's', 't', 0, 'S', 0, 0})
      .Raw("InstallLocation", REG_EXPAND_SZ, {'%', 'P', 'F', '%', '\\', 'x', 0});
  EXPECT_EQ(Scan(),
            "+Plus Tool/1/2Example/3Soft/3/4/5/6/7/8\n"
            "Two  Lines/11 2/2/3/4/5x y/6/7/8\n"
            "End mark/1/2/3/4/5/6/7  02.05.2007 /8\n"
            "First/1/2/3%PF%\\x/4/5/6/7/8\n");
}

TEST_F(UninstallScanTest, SubkeysAreWalkedInTheRegistrysOrder) {
  Entry("b", {{"DisplayName", "second"}});
  Entry("C", {{"DisplayName", "third"}});
  Entry("A", {{"DisplayName", "first"}});
  EXPECT_EQ(Scan(), "first/1/2/3/4/5/6/7/8\nsecond/1/2/3/4/5/6/7/8\nthird/1/2/3/4/5/6/7/8\n");
}

TEST_F(UninstallScanTest, ASubkeyNameTooLongForItsAreaSkipsOnlyThatEntry) {
  Entry("A", {{"DisplayName", "first"}});
  Entry("M" + std::string(510, 'm'), {{"DisplayName", "fits"}});  // 511 and the terminator
  Entry("M" + std::string(511, 'm'), {{"DisplayName", "too long"}});
  Entry("Z", {{"DisplayName", "last"}});
  EXPECT_EQ(Scan(), "first/1/2/3/4/5/6/7/8\nfits/1/2/3/4/5/6/7/8\nlast/1/2/3/4/5/6/7/8\n");
}

TEST_F(UninstallScanTest, MissingUninstallKeyEmptiesTheFileAndFails) {
  Install();
  swtest::WriteHostFile(RecordHostPath(), "left over\n");
  EXPECT_FALSE(fetcher_.GetSoftwareList(kRecordPath, true));
  EXPECT_TRUE(RecordFileExists());
  EXPECT_EQ(RecordFile(), "");
}

TEST_F(UninstallScanTest, NoFileMeansNoScan) {
  Entry("A", {{"DisplayName", "first"}});
  Install();
  EXPECT_FALSE(fetcher_.GetSoftwareList("", true));
  EXPECT_FALSE(fetcher_.GetSoftwareList(nullptr, true));
  EXPECT_FALSE(fetcher_.GetSoftwareList("C:\\no such folder\\records.tmp", true));
  EXPECT_EQ(machine().calls["RegOpenKeyExA"], 0);
}

TEST_F(UninstallScanTest, UninstallKeyIsOpenedOnceAndEveryEntryOnce) {
  Entry("A", {{"DisplayName", "first"}});
  Entry("B", {{"Publisher", "no name"}});
  Scan();
  // The machine's key and its two entries, and the user's key, which is absent.
  EXPECT_EQ(machine().calls["RegOpenKeyExA"], 4);
  EXPECT_EQ(machine().calls["RegCloseKey"], 3);
}

// The user's products follow the machine's. 32-bit Windows has one view, opened without view
// flags: Windows 2000 refuses them, and a Wow6432Node key there is no view of anything.
TEST_F(UninstallScanTest, ThirtyTwoBitWindowsReadsOneViewThenTheUser) {
  builder().With([](sim::Facts& f) {
    f.majorVersion = 5;
    f.minorVersion = 0;
  });
  Entry("Chat", {{"DisplayName", "Chat Client"}}, "HKCU");
  Entry("Editor", {{"DisplayName", "Example Editor"}});
  Entry("Stray", {{"DisplayName", "Stray"}}, "Wow6432Node");
  EXPECT_EQ(Scan(), "Example Editor/1/2/3/4/5/6/7/8\nChat Client/1/2/3/4/5/6/7/8\n");
}

// Duplicate removal.

TEST_F(UninstallScanTest, IdenticalEntriesCollapseToTheFirstInOrder) {
  Entry("A", {{"DisplayName", "Tool"}, {"DisplayVersion", "1.0"}});
  Entry("B", {{"DisplayName", "Other"}});
  Entry("C", {{"DisplayName", "Tool"}, {"DisplayVersion", "1.0"}});
  Entry("D", {{"DisplayName", "Tool"}, {"DisplayVersion", "1.1"}});
  Entry("E", {{"DisplayName", "Other"}});
  const std::string distinct =
      "Tool/11.0/2/3/4/5/6/7/8\nOther/1/2/3/4/5/6/7/8\n"
      "Tool/11.1/2/3/4/5/6/7/8\n";
  EXPECT_EQ(Scan(), distinct);
}

TEST_F(UninstallScanTest, WithoutDuplicateRemovalEveryEntryStays) {
  Entry("A", {{"DisplayName", "Tool"}});
  Entry("B", {{"DisplayName", "Tool"}});
  EXPECT_EQ(Scan(false), "Tool/1/2/3/4/5/6/7/8\nTool/1/2/3/4/5/6/7/8\n");
}

TEST_F(UninstallScanTest, EveryDistinctLineIsKeptBeyondAThousand) {
  std::string expected;
  for (int i = 0; i < 1500; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "E%04d", i);
    Entry(key, {{"DisplayName", key}});
    expected += std::string(key) + "/1/2/3/4/5/6/7/8\n";
  }
  for (int i = 0; i < 30; ++i) {  // duplicates of early entries, enumerated last
    char key[16];
    std::snprintf(key, sizeof key, "Z%04d", i);
    Entry(key, {{"DisplayName", std::string("E") + (key + 1)}});
  }
  EXPECT_EQ(Scan(), expected);
}

TEST_F(UninstallScanTest, LongLinesAreComparedWhole) {
  // Both lines share their first 1023 characters and differ after them; a third line equals
  // what a 1023-character piece of the first would be.
  const std::string name(1000, 'a');
  const std::string pubStart(30, 'p');
  Entry("A", {{"DisplayName", name}, {"Publisher", pubStart + "X"}});
  Entry("B", {{"DisplayName", name}, {"Publisher", pubStart + "Y"}});
  Entry("C", {{"DisplayName", name}, {"Publisher", pubStart + "X"}});
  const std::string lineA = name + "/1/2" + pubStart + "X/3/4/5/6/7/8\n";
  const std::string lineB = name + "/1/2" + pubStart + "Y/3/4/5/6/7/8\n";
  ASSERT_GT(lineA.size(), 1023u);
  EXPECT_EQ(Scan(), lineA + lineB);
}

TEST_F(UninstallScanTest, RemoveDuplicateLinesKeepsFirstSeenOrderOfAnyFile) {
  Install();
  const std::string longLine(5000, 'L');
  swtest::WriteHostFile(RecordHostPath(),
                        "b\na\nb\n" + longLine + "\n" + longLine + "\nA\na\nlast");
  EXPECT_TRUE(fetcher_.RemoveDuplicateLines(kRecordPath));
  EXPECT_EQ(RecordFile(), "b\na\n" + longLine + "\nA\nlast");
}

TEST_F(UninstallScanTest, RemoveDuplicateLinesWithoutAFileFails) {
  Install();
  EXPECT_FALSE(fetcher_.RemoveDuplicateLines(""));
  EXPECT_FALSE(fetcher_.RemoveDuplicateLines(nullptr));
  EXPECT_FALSE(fetcher_.RemoveDuplicateLines(kRecordPath));
  EXPECT_FALSE(RecordFileExists());
}

}  // namespace
