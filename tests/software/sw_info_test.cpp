// SWInfo: splitting record lines at their markers, field numbers, and the update test.
#include "software/sw_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Fields {
  std::string name, version, publisher, location, company, owner, productId, date, size;
};

Fields FieldsOf(const SWInfo& info) {
  return {info.Name,      info.Version,           info.Publisher,
          info.Location,  info.RegisteredCompany, info.RegisteredOwner,
          info.ProductId, info.InstallDate,       info.Size};
}

void ExpectFields(const Fields& actual, const Fields& expected) {
  EXPECT_EQ(actual.name, expected.name);
  EXPECT_EQ(actual.version, expected.version);
  EXPECT_EQ(actual.publisher, expected.publisher);
  EXPECT_EQ(actual.location, expected.location);
  EXPECT_EQ(actual.company, expected.company);
  EXPECT_EQ(actual.owner, expected.owner);
  EXPECT_EQ(actual.productId, expected.productId);
  EXPECT_EQ(actual.date, expected.date);
  EXPECT_EQ(actual.size, expected.size);
}

struct ParseCase {
  const char* title;
  std::string line;
  Fields expected;
};

std::string S(size_t count, char c) { return std::string(count, c); }

TEST(SwInfoParseLine, SplitsWellFormedAndMalformedLines) {
  const std::vector<ParseCase> cases = {
      {"all fields",
       "Name/1Ver/2Pub/3Loc/4Co/5Own/6PID/7Date/8Size\n",
       {"Name", "Ver", "Pub", "Loc", "Co", "Own", "PID", "Date", "Size"}},
      {"only a name", "Tool/1/2/3/4/5/6/7/8\n", {"Tool", "", "", "", "", "", "", "", ""}},
      {"component keeps its plus",
       "+Part/1/2/3/4/5/6/7/8\n",
       {"+Part", "", "", "", "", "", "", "", ""}},
      {"no markers", "Just a name\n", {"Just a name", "", "", "", "", "", "", "", ""}},
      {"no line feed", "Tool/1V/2/3/4/5/6/7/812", {"Tool", "V", "", "", "", "", "", "", "12"}},
      {"a bare line feed", "\n", {"", "", "", "", "", "", "", "", ""}},
      {"only /4 missing", "N/1V/2P/3LC/5O/6I/7D/8S\n", {"N", "V", "P", "", "", "O", "I", "D", "S"}},
      {"/1 inside the name",
       "Tool 1/10/1V/2P/3/4/5/6/7/8\n",
       {"Tool 1", "0/1V", "P", "", "", "", "", "", ""}},
      {"/2 before the real /1",
       "A/2B/1V/2P/3/4/5/6/7/8\n",
       {"A/2B", "V/2P/3/4/5/6/7/8", "B/1V/2P", "", "", "", "", "", ""}},
      {"markers reversed", "N/2X/1Y\n", {"N/2X", "Y", "", "", "", "", "", "", ""}},
      {"only one CR or LF is trimmed",
       "N/1V\r/2/3/4/5/6/7/8S\r\n",
       {"N", "V", "", "", "", "", "", "", "S\r"}},
      {"size after a later /8",
       "N/1/2/3/4/5/6/7D/8S/8T\n",
       {"N", "", "", "", "", "", "", "D", "S/8T"}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.title);
    SWInfo info;
    EXPECT_EQ(info.ParseLine(c.line.c_str()), 1);
    ExpectFields(FieldsOf(info), c.expected);
  }
}

TEST(SwInfoParseLine, CutsEveryFieldAtItsCapacity) {
  struct Case {
    const char* title;
    std::string line;
    Fields expected;
  };
  const std::vector<Case> cases = {
      {"exactly at capacity",
       S(256, 'n') + "/1" + S(30, 'v') + "/2" + S(80, 'p') + "/3" + S(256, 'l') + "/4" +
           S(80, 'c') + "/5" + S(80, 'o') + "/6" + S(80, 'i') + "/7" + S(20, 'd') + "/8" +
           S(19, 's') + "\n",
       {S(256, 'n'), S(30, 'v'), S(80, 'p'), S(256, 'l'), S(80, 'c'), S(80, 'o'), S(80, 'i'),
        S(20, 'd'), S(19, 's')}},
      {"one over capacity",
       S(257, 'n') + "/1" + S(31, 'v') + "/2" + S(81, 'p') + "/3" + S(20, 'l') + "/4" + S(81, 'c') +
           "/5" + S(81, 'o') + "/6" + S(81, 'i') + "/7" + S(21, 'd') + "/8" + S(21, 's') + "\n",
       {S(256, 'n'), S(30, 'v'), S(80, 'p'), S(20, 'l'), S(80, 'c'), S(80, 'o'), S(80, 'i'),
        S(20, 'd'), S(20, 's')}},
      {"size of 20 keeps its line feed out",
       "N/1/2/3/4/5/6/7/8" + S(20, 's') + "\n",
       {"N", "", "", "", "", "", "", "", S(20, 's')}},
      {"version of 40 characters",
       "N/1" + S(40, 'v') + "/2/3/4/5/6/7/8\n",
       {"N", S(30, 'v'), "", "", "", "", "", "", ""}},
      {"reversed markers run to the end of the line",
       "N/2/1" + S(29, 'v') + "\n",
       {"N/2", S(29, 'v'), "", "", "", "", "", "", ""}},
      // Only the first 1024 characters are looked at: markers beyond them are not seen.
      {"markers past 1024 characters",
       S(1000, 'n') + "/1" + S(30, 'v') + "/2P/3/4/5/6/7/8\n",
       {S(256, 'n'), "", "", "", "", "", "", "", ""}},
      {"last marker at the edge",
       S(1000, 'n') + "/1/2/3/4/5/6/7/8" + S(30, 's'),
       {S(256, 'n'), "", "", "", "", "", "", "", S(8, 's')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    SWInfo info;
    EXPECT_EQ(info.ParseLine(c.line.c_str()), 1);
    ExpectFields(FieldsOf(info), c.expected);
  }
}

TEST(SwInfoParseLine, EmptyLineLeavesTheFieldsAndEachLineStartsClean) {
  SWInfo info;
  ASSERT_EQ(info.ParseLine("Tool/11.0/2Pub/3/4/5/6/7/88\n"), 1);
  EXPECT_EQ(info.ParseLine(""), 0);
  EXPECT_EQ(info.ParseLine(nullptr), 0);
  EXPECT_STREQ(info.Name, "Tool");
  EXPECT_STREQ(info.Size, "8");

  ASSERT_EQ(info.ParseLine("Other\n"), 1);
  ExpectFields(FieldsOf(info), {"Other", "", "", "", "", "", "", "", ""});

  info.ParseLine("Tool/11.0/2Pub/3/4/5/6/7/88\n");
  info.Clear();
  ExpectFields(FieldsOf(info), {"", "", "", "", "", "", "", "", ""});
}

TEST(SwInfoGetField, NumbersTheFieldsForTheReportNotInFileOrder) {
  SWInfo info;
  ASSERT_EQ(info.ParseLine("Name/1Ver/2Pub/3Loc/4Co/5Own/6PID/7Date/8Size\n"), 1);
  const char* const expected[] = {"Name", "Ver", "Loc", "Co", "Own", "PID", "Pub", "Date", "Size"};
  for (int index = 0; index < 9; ++index) {
    char buffer[2048 + 1];
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(info.GetField(index, buffer), 1) << index;
    EXPECT_STREQ(buffer, expected[index]) << index;
  }
}

TEST(SwInfoGetField, EmptyFieldOrUnknownIndexLeavesTheBufferAlone) {
  SWInfo info;
  ASSERT_EQ(info.ParseLine("Name/1/2/3/4/5/6/7/8\n"), 1);
  for (int index : {1, 2, 3, 4, 5, 6, 7, 8, 9, 100, -1}) {
    char buffer[8];
    std::memset(buffer, 'Z', sizeof buffer);
    buffer[7] = '\0';
    EXPECT_EQ(info.GetField(index, buffer), 0) << index;
    EXPECT_STREQ(buffer, "ZZZZZZZ") << index;
  }
}

TEST(SwInfoIsUpdate, TestsNamePublisherAndWordsInOrder) {
  struct Case {
    const char* name;
    const char* publisher;
    int expected;
  };
  const std::vector<Case> cases = {
      {"KB123456", "Microsoft Corporation", 1},
      {"KB1234567", "Microsoft Corporation", 0},
      {"KB12345", "Microsoft Corporation", 0},
      {"KB123456", "Example Soft", 0},
      {"kb12345x", "microsoft", 1},  // any eight characters starting with KB
      {"+KB123456", "Microsoft Corporation", 1},
      {"+K", "Microsoft Corporation", 0},
      {"+KB", "Microsoft Corporation", 0},
      {"KB", "Microsoft Corporation", 0},
      {"Security hotfix", "mIcRoSoFt", 1},
      {"Some Update", "MICROSOFT CORPORATION", 1},
      {"Toolupdater", "Microsoft", 1},
      {"Tool (KB100)", "Microsoft", 1},
      {"Tool - KB100", "Microsoft", 1},
      {"Tool KB100", "Microsoft", 1},
      {"Tool kb100", "Microsoft", 1},
      {"ToolKB100", "Microsoft", 0},
      {"Tool -KB100", "Microsoft", 0},
      {"Tool (KB100)", "Example Soft", 0},
      {"Security Update", "Micro soft", 0},
      {"Security Update", "", 0},
      {"Hotfix", "Example Microsoft Reseller", 1},
      {"Plain Tool", "Microsoft Corporation", 0},
  };
  for (const Case& c : cases) {
    SWInfo info;
    ASSERT_EQ(
        info.ParseLine((std::string(c.name) + "/1/2" + c.publisher + "/3/4/5/6/7/8\n").c_str()), 1);
    EXPECT_EQ(info.IsUpdate(), c.expected) << c.name << " by " << c.publisher;
  }
}

TEST(SwInfoText, TrimLineEndRemovesOneLineEndCharacter) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\n", "a"}, {"a\r", "a"}, {"a\r\n", "a\r"}, {"a\n\n", "a\n"},
      {"a", "a"},   {"", ""},     {"\n", ""},       {"a b ", "a b "},
  };
  for (const auto& c : cases) {
    char text[16];
    std::memset(text, 0, sizeof text);
    std::memcpy(text, c.first.data(), c.first.size());
    SWInfo::TrimLineEnd(text);
    EXPECT_EQ(std::string(text), c.second);
  }
}

TEST(SwInfoText, MakeUpperRaisesOnlyAsciiLetters) {
  char text[] = "az AZ 09 `{@[ \xe4\xe9\xff hotfix";
  SWInfo::MakeUpper(text);
  EXPECT_STREQ(text, "AZ AZ 09 `{@[ \xe4\xe9\xff HOTFIX");
}

}  // namespace
