// The software and statistics sections as they reach the report file.
#include <cstring>
#include <filesystem>
#include <string>

#include "app/globals.h"
#include "app/sections.h"
#include "report/sorvik_out.h"
#include "software/sw_fetcher.h"
#include "software/sw_fetcher_vista.h"
#include "software/sw_info.h"
#include "tests/software/software_test_support.h"

namespace {

const char kReportPath[] = "C:\\report.xml";

// The report's expected text: LF written as CR LF.
std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string Statistics(int total, int applications, int updates, int components) {
  return "<statistics>\n\t<total>" + std::to_string(total) + "</total>\n\t<numberOfApplication>" +
         std::to_string(applications) + "</numberOfApplication>\n\t<numberOfUpdate>" +
         std::to_string(updates) + "</numberOfUpdate>\n\t<numberOfComponent>" +
         std::to_string(components) + "</numberOfComponent>\n</statistics>\n";
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class SoftwareSectionTest : public swtest::MachineTest {
 protected:
  // Writes both sections with `fetcher` and returns the report from "<software>" on.
  std::string Sections(CSwFetcher& fetcher) {
    Install();
    // The machine's temporary folder, where the report writer makes the record file.
    std::filesystem::create_directories(folder_.path() + "/TEMP");
    std::string report;
    {
      CSorvikOut out;
      EXPECT_TRUE(out.OpenFile(kReportPath));
      EXPECT_TRUE(out.MakeTempFile());
      const std::string recordPath = out.TempFilePath();
      SWInfo info;
      g_pOut = &out;
      g_pSwInfo = &info;
      g_pSwFetcher = &fetcher;
      WriteSoftwareSection();
      WriteStatisticsSection();
      recordFileLeft_ = std::filesystem::exists(HostPathOf(recordPath));
      recordPathLeft_ = out.TempFilePath()[0] != '\0';
      g_pOut = nullptr;
      g_pSwInfo = nullptr;
      g_pSwFetcher = nullptr;
      out.CloseFile();
    }
    report = swtest::ReadHostFile(HostPathOf(kReportPath));
    size_t start = report.find("<software>");
    EXPECT_NE(start, std::string::npos);
    return start == std::string::npos ? report : report.substr(start);
  }
  std::string Sections() {
    CSwFetcher fetcher;
    return Sections(fetcher);
  }
  void StaleCounters() {
    ApplicationCount = 5;
    UpdateCount = 6;
    ComponentCount = 7;
    SoftwareTotal = 99;
  }
  void SetUp() override { ApplicationCount = UpdateCount = ComponentCount = SoftwareTotal = 0; }

  bool recordFileLeft_ = true;
  bool recordPathLeft_ = true;  // the writer would delete that name again at the end
};

const char kNoValues[] =
    "\t\t<version />\n\t\t<publisher />\n\t\t<location />\n\t\t<installDate />\n"
    "\t\t<size />\n\t\t<registeredCompany />\n\t\t<registeredOwner />\n\t\t<productId />\n";

TEST_F(SoftwareSectionTest, TypesEachRecordAndCountsTheTypes) {
  Entry(
      "Editor",
      {{"DisplayName", "Example Editor"}, {"DisplayVersion", "2.1"}, {"Publisher", "Example Soft"}})
      .Dword("EstimatedSize", 12);
  Entry("Fix", {{"DisplayName", "Security Update for Windows (KB100002)"},
                {"Publisher", "Microsoft Corporation"}})
      .Dword("SystemComponent", 1);
  Entry("KB100003", {{"DisplayName", "KB100003"},
                     {"Publisher", "Microsoft Corporation"},
                     {"InstallDate", "20070502"}});
  Entry("Part", {{"DisplayName", "Example Part"}, {"Publisher", "Example Soft"}})
      .Dword("SystemComponent", 1);
  Entry("Plus", {{"DisplayName", "+"}});
  Entry("PlusName", {{"DisplayName", "+Plus Tool"},
                     {"InstallLocation", "C:\\Tools"},
                     {"RegCompany", "Example Corp"},
                     {"RegOwner", "anna"},
                     {"ProductID", "55274-640"}});
  StaleCounters();
  const std::string expected =
      "<software>\n"
      "\t<installed type=\"application\">\n"
      "\t\t<name>Example Editor</name>\n\t\t<version>2.1</version>\n"
      "\t\t<publisher>Example Soft</publisher>\n\t\t<location />\n\t\t<installDate />\n"
      "\t\t<size>12</size>\n\t\t<registeredCompany />\n\t\t<registeredOwner />\n"
      "\t\t<productId />\n"
      "\t</installed>\n"
      "\t<installed type=\"update\">\n"
      "\t\t<name>+Security Update for Windows (KB100002)</name>\n\t\t<version />\n"
      "\t\t<publisher>Microsoft Corporation</publisher>\n\t\t<location />\n"
      "\t\t<installDate />\n\t\t<size />\n\t\t<registeredCompany />\n"
      "\t\t<registeredOwner />\n\t\t<productId />\n"
      "\t</installed>\n"
      "\t<installed type=\"update\">\n"
      "\t\t<name>KB100003</name>\n\t\t<version />\n"
      "\t\t<publisher>Microsoft Corporation</publisher>\n\t\t<location />\n"
      "\t\t<installDate>20070502</installDate>\n\t\t<size />\n\t\t<registeredCompany />\n"
      "\t\t<registeredOwner />\n\t\t<productId />\n"
      "\t</installed>\n"
      "\t<installed type=\"component\">\n"
      "\t\t<name>Example Part</name>\n\t\t<version />\n"
      "\t\t<publisher>Example Soft</publisher>\n\t\t<location />\n\t\t<installDate />\n"
      "\t\t<size />\n\t\t<registeredCompany />\n\t\t<registeredOwner />\n\t\t<productId />\n"
      "\t</installed>\n"
      "\t<installed type=\"component\">\n"
      "\t\t<name />\n" +
      std::string(kNoValues) +
      "\t</installed>\n"
      "\t<installed type=\"component\">\n"
      "\t\t<name>Plus Tool</name>\n\t\t<version />\n\t\t<publisher />\n"
      "\t\t<location>C:\\Tools</location>\n\t\t<installDate />\n\t\t<size />\n"
      "\t\t<registeredCompany>Example Corp</registeredCompany>\n"
      "\t\t<registeredOwner>anna</registeredOwner>\n\t\t<productId>55274-640</productId>\n"
      "\t</installed>\n"
      "</software>\n" +
      Statistics(6, 1, 2, 3);
  EXPECT_EQ(Sections(), Crlf(expected));
  EXPECT_FALSE(recordFileLeft_);
  EXPECT_FALSE(recordPathLeft_);
  EXPECT_EQ(SoftwareTotal, 6);
}

TEST_F(SoftwareSectionTest, ValuesAreEscapedAndLineBreaksDoNotSplitARecord) {
  Entry("A", {{"DisplayName", "Tom & Jerry <Deluxe>"},
              {"Publisher", "\"Q\" 'S'"},
              {"DisplayVersion", "1\r\n2"}});
  const std::string expected =
      "<software>\n\t<installed type=\"application\">\n"
      "\t\t<name>Tom &amp; Jerry &lt;Deluxe&gt;</name>\n\t\t<version>1  2</version>\n"
      "\t\t<publisher>&quot;Q&quot; &apos;S&apos;</publisher>\n\t\t<location />\n"
      "\t\t<installDate />\n\t\t<size />\n\t\t<registeredCompany />\n\t\t<registeredOwner />\n"
      "\t\t<productId />\n\t</installed>\n</software>\n" +
      Statistics(1, 1, 0, 0);
  EXPECT_EQ(Sections(), Crlf(expected));
}

TEST_F(SoftwareSectionTest, EmptyScanGivesAnEmptySectionAndZeros) {
  builder().Key(swtest::kUninstallPath);
  Entry("NoName", {{"Publisher", "Example Soft"}});
  EXPECT_EQ(Sections(), Crlf("<software>\n</software>\n" + Statistics(0, 0, 0, 0)));
  // The scan made no record, so the section left the file to the report writer.
  EXPECT_TRUE(recordFileLeft_);
  EXPECT_TRUE(recordPathLeft_);
}

TEST_F(SoftwareSectionTest, CountersAreResetOnlyByASuccessfulScan) {
  StaleCounters();
  EXPECT_EQ(Sections(), Crlf("<software>\n</software>\n" + Statistics(18, 5, 6, 7)));
}

TEST_F(SoftwareSectionTest, EveryRecordIsOneElementAndTheTotalAddsUp) {
  for (int i = 0; i < 1200; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "E%04d", i);
    switch (i % 3) {
      case 0:
        Entry(key, {{"DisplayName", key}});
        break;
      case 1:
        Entry(key, {{"DisplayName", std::string("Update ") + key}, {"Publisher", "Microsoft"}});
        break;
      default:
        Entry(key, {{"DisplayName", key}}).Dword("SystemComponent", 1);
    }
  }
  // A record longer than 1023 characters is one record, whatever its length.
  Entry("Long", {{"DisplayName", std::string(1000, 'n')}, {"Publisher", std::string(1000, 'p')}});
  Entry("Twice", {{"DisplayName", "Twice"}});
  Entry("Twice2", {{"DisplayName", "Twice"}});
  const std::string sections = Sections();
  EXPECT_EQ(CountOf(sections, "<installed "), 1202u);
  EXPECT_NE(sections.find("<name>" + std::string(256, 'n') + "</name>"), std::string::npos);
  EXPECT_NE(sections.find(Crlf(Statistics(1202, 402, 400, 400))), std::string::npos);
  EXPECT_EQ(SoftwareTotal, ApplicationCount + UpdateCount + ComponentCount);
  EXPECT_FALSE(recordFileLeft_);
}

TEST_F(SoftwareSectionTest, ServicingPackagesAreUpdates) {
  builder()
      .Key(std::string(swtest::kPackagesPath) + "\\Package_for_KB100001~0a1b~x86~~6.0.1.0")
      .String("InstallClient", "WindowsUpdateAgent")
      .Dword("CurrentState", 7)
      .Dword("Visibility", 1);
  CSwFetcherVista fetcher;
  const std::string expected =
      "<software>\n\t<installed type=\"update\">\n"
      "\t\t<name>KB100001</name>\n\t\t<version>6.0.1.0</version>\n"
      "\t\t<publisher>Microsoft Corporation</publisher>\n\t\t<location />\n"
      "\t\t<installDate />\n\t\t<size />\n\t\t<registeredCompany />\n\t\t<registeredOwner />\n"
      "\t\t<productId />\n\t</installed>\n</software>\n" +
      Statistics(1, 0, 1, 0);
  EXPECT_EQ(Sections(fetcher), Crlf(expected));
  EXPECT_FALSE(recordFileLeft_);
}

}  // namespace
