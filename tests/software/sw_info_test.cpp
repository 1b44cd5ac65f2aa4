// SWInfo: splitting record lines at their markers, field capacities and numbers, and the
// update test.
#include "software/sw_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The nine fields in the order of the line, joined with "|".
std::string Parsed(const std::string& line) {
  SWInfo info;
  EXPECT_EQ(info.ParseLine(line.c_str()), 1);
  std::string joined;
  for (const char* field :
       {info.Name, info.Version, info.Publisher, info.Location, info.RegisteredCompany,
        info.RegisteredOwner, info.ProductId, info.InstallDate, info.Size})
    joined += (joined.empty() ? "" : "|") + std::string(field);
  return joined;
}

std::string S(size_t count, char c) { return std::string(count, c); }

TEST(SwInfoParseLine, EachFieldRunsFromItsMarkerToTheNext) {
  EXPECT_EQ(Parsed("Name/1Ver/2Pub/3Loc/4Co/5Own/6PID/7Date/8Size\n"),
            "Name|Ver|Pub|Loc|Co|Own|PID|Date|Size");
  EXPECT_EQ(Parsed("+Part/1/2/3/4/5/6/7/8\n"), "+Part||||||||");
  EXPECT_EQ(Parsed("Just a name\n"), "Just a name||||||||");
  EXPECT_EQ(Parsed("N/1V/2P/3LC/5O/6I/7D/8S"), "N|V|P|||O|I|D|S");  // no /4: two fields lost
  EXPECT_EQ(Parsed("A/2B/1V/2P/3/4/5/6/7/8\n"), "A/2B|V/2P/3/4/5/6/7/8|B/1V/2P||||||");
  EXPECT_EQ(Parsed("N/1V\r/2/3/4/5/6/7/8S/8T\r\n"), "N|V|||||||S/8T\r");  // one CR or LF off
}

TEST(SwInfoParseLine, CutsEveryFieldAtItsCapacityWithinTheFirst1024Characters) {
  EXPECT_EQ(Parsed(S(257, 'n') + "/1" + S(31, 'v') + "/2" + S(81, 'p') + "/3/4" + S(81, 'c') +
                   "/5" + S(81, 'o') + "/6" + S(81, 'i') + "/7" + S(21, 'd') + "/8" + S(21, 's')),
            S(256, 'n') + "|" + S(30, 'v') + "|" + S(80, 'p') + "||" + S(80, 'c') + "|" +
                S(80, 'o') + "|" + S(80, 'i') + "|" + S(20, 'd') + "|" + S(20, 's'));
  EXPECT_EQ(Parsed(S(257, 'l') + "/3x"), S(256, 'l') + "||||||||");
  EXPECT_EQ(Parsed(S(1000, 'n') + "/1/2/3/4/5/6/7/8" + S(30, 's')),
            S(256, 'n') + "||||||||" + S(8, 's'));
}

TEST(SwInfoParseLine, AnEmptyLineLeavesTheFieldsAndEachLineStartsClean) {
  SWInfo info;
  ASSERT_EQ(info.ParseLine("T/1V/2P/3L/4C/5O/6I/7D/8S\n"), 1);
  EXPECT_EQ(info.ParseLine(""), 0);
  EXPECT_EQ(info.ParseLine(nullptr), 0);
  EXPECT_STREQ(info.Size, "S");
  ASSERT_EQ(info.ParseLine("Other\n"), 1);
  EXPECT_EQ(std::string(info.Version) + info.Publisher + info.Location + info.RegisteredCompany +
                info.RegisteredOwner + info.ProductId + info.InstallDate + info.Size,
            "");
}

// The report's numbers, not the line's order; an empty field or unknown number leaves the
// area alone.
TEST(SwInfoGetField, NumbersTheFieldsForTheReportAndSkipsEmptyOnes) {
  SWInfo info;
  ASSERT_EQ(info.ParseLine("Name/1/2Pub/3Loc/4Co/5Own/6PID/7Date/8Size\n"), 1);
  const char* const expected[] = {"Name", "", "Loc", "Co", "Own", "PID", "Pub", "Date", "Size"};
  for (int index = -1; index < 10; ++index) {
    const bool has = index >= 0 && index < 9 && expected[index][0] != '\0';
    char buffer[8] = "ZZZZZZZ";
    EXPECT_EQ(info.GetField(index, buffer), has) << index;
    EXPECT_STREQ(buffer, has ? expected[index] : "ZZZZZZZ") << index;
  }
}

TEST(SwInfoIsUpdate, TestsNamePublisherAndWordsInOrder) {
  const struct {
    const char* name;
    const char* publisher;
    int expected;
  } cases[] = {
      {"KB123456", "Microsoft Corporation", 1},
      {"KB1234567", "Microsoft", 1},
      {"+KB5034441", "Microsoft Corporation", 1},
      {"KB1234567", "Example Soft", 0},
      {"KB12345678", "Microsoft", 0},
      {"KB123456X", "Microsoft", 0},
      {"KB12345", "Microsoft", 0},
      {"kb12345x", "microsoft", 1},
      {"+KB123456", "Microsoft", 1},
      {"+KB", "Microsoft", 0},
      {"KB123456", "Example Soft", 0},
      {"Security hotfix", "mIcRoSoFt", 1},
      {"Some Update", "MICROSOFT", 1},
      {"Tool (KB100)", "Microsoft", 1},
      {"Tool - KB100", "Microsoft", 1},
      {"Tool kb100", "Microsoft", 1},
      {"ToolKB100", "Microsoft", 0},
      {"Tool -KB100", "Microsoft", 0},
      {"Security Update", "Micro soft", 0},
      {"Security Update", "", 0},
      {"Hotfix", "Example Microsoft Reseller", 1},
      {"(KB", "Microsoft", 1},
  };
  for (const auto& c : cases) {
    SWInfo info;
    ASSERT_EQ(
        info.ParseLine((std::string(c.name) + "/1/2" + c.publisher + "/3/4/5/6/7/8\n").c_str()), 1);
    EXPECT_EQ(info.IsUpdate(), c.expected) << c.name << " by " << c.publisher;
  }
}

TEST(SwInfoText, MakeUpperRaisesOnlyAsciiLetters) {
  char text[] = "az AZ `{@[ \xe4\xff";
  SWInfo::MakeUpper(text);
  EXPECT_STREQ(text, "AZ AZ `{@[ \xe4\xff");
}

}  // namespace
