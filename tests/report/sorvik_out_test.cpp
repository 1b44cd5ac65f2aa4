#include "report/sorvik_out.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/builder.h"
#include "sysid/pc_fetcher.h"
#include "tests/report/host_folder.h"

namespace {

const std::string kBase = "10.1.2.3;PC1;bob";
const std::string kHead =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<sorvik version=\"3.0.1\" creationDateTime=\"2007/05/01 09:05:07\">\r\n";

// A computer with address 10.1.2.3, name PC1 and user bob; the program in C:\sorvik, the
// temporary folder C:\TEMP, drive C: a fresh host folder.
class SorvikOutTest : public ::testing::Test {
 protected:
  SorvikOutTest() {
    folder_.MakeFolder("sorvik");
    folder_.MakeFolder("TEMP");
    folder_.MakeFolder("out");
    builder_.With([&](sim::Facts& f) {
      f.driveFolders['C'] = folder_.path();
      f.hostName = "pc1host";
      f.resolver["pc1host"] = {"10.1.2.3"};
      f.computerName = "PC1";
      f.userName = "bob";
      f.modulePath = "C:\\sorvik\\sorvik.exe";
      f.tempPath = "C:\\TEMP\\";
    });
  }

  // Installs the machine as changed so far; call before creating any object under test.
  void Start() {
    identity_.reset();
    installed_.reset();
    machine_ = builder_.Build();
    installed_.reset(new sim::ScopedMachine(*machine_));
    identity_.reset(new CPcFetcher);
  }

  // Opens a report with the given output argument, closes it at once and returns its path.
  std::string Report(const std::string& argument) {
    CSorvikOut out;
    std::vector<char> area(argument.begin(), argument.end());
    area.push_back('\0');
    if (!out.OpenReport(identity_.get(), area.data())) return "(failed)";
    out.CloseReport();
    return out.ReportPath;
  }

  std::string BaseName() {
    char name[kFilePathCapacity + 1];
    std::memset(name, 0, sizeof name);
    CSorvikOut out;
    if (!out.MakeBaseName(identity_.get(), name, kFilePathCapacity)) return "(none)";
    return name;
  }

  HostFolder folder_;
  sim::MachineBuilder builder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
  std::unique_ptr<CPcFetcher> identity_;
};

TEST_F(SorvikOutTest, TheBaseNameJoinsWhatTheIdentityGives) {
  struct Case {
    const char* what;
    void (*change)(sim::Facts&);
    const char* name;
  } cases[] = {
      {"all three", [](sim::Facts&) {}, "10.1.2.3;PC1;bob"},
      {"no address", [](sim::Facts& f) { f.resolver.clear(); }, ";PC1;bob"},
      {"no computer name", [](sim::Facts& f) { f.computerNameWorks = false; }, "10.1.2.3;bob"},
      {"no user", [](sim::Facts& f) { f.userNameWorks = false; }, "10.1.2.3;PC1"},
      {"user only",
       [](sim::Facts& f) {
         f.resolver.clear();
         f.computerNameWorks = false;
       },
       ";bob"},
      {"nothing",
       [](sim::Facts& f) {
         f.resolver.clear();
         f.computerNameWorks = false;
         f.userNameWorks = false;
       },
       "(none)"},
  };
  for (const Case& c : cases) {
    builder_ = sim::MachineBuilder();
    builder_.With([&](sim::Facts& f) {
      f.hostName = "pc1host";
      f.resolver["pc1host"] = {"10.1.2.3"};
      f.computerName = "PC1";
      f.userName = "bob";
    });
    builder_.With(c.change);
    Start();
    EXPECT_EQ(c.name, BaseName()) << c.what;
  }
}

TEST_F(SorvikOutTest, DefaultReportsAreNumberedAgainstCollisions) {
  Start();
  EXPECT_EQ("C:\\sorvik\\" + kBase + ".xml", Report(""));
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(2).xml", Report(""));
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(3).xml", Report(""));
  EXPECT_EQ(kHead + "</sorvik>\r\n", folder_.Read("sorvik/" + kBase + "(2).xml"));

  // A freed plain name is taken again before the numbered ones.
  ASSERT_TRUE(std::filesystem::remove(folder_.At("sorvik/" + kBase + ".xml")));
  EXPECT_EQ("C:\\sorvik\\" + kBase + ".xml", Report(""));
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(4).xml", Report(""));
}

TEST_F(SorvikOutTest, AfterOneHundredNamesTheReportIsRefused) {
  Start();
  folder_.Write("sorvik/" + kBase + ".xml", "x");
  for (int i = 2; i < 100; ++i)
    folder_.Write("sorvik/" + kBase + "(" + std::to_string(i) + ").xml", "x");
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(100).xml", Report(""));
  EXPECT_EQ("(failed)", Report(""));
  EXPECT_FALSE(folder_.Exists("sorvik/" + kBase + "(101).xml"));
  EXPECT_EQ(std::vector<std::string>{}, folder_.List("TEMP"));
}

TEST_F(SorvikOutTest, WithoutAnAddressTheNameStartsWithTheSeparator) {
  builder_.With([](sim::Facts& f) { f.resolver.clear(); });
  Start();
  EXPECT_EQ("C:\\sorvik\\;PC1;bob.xml", Report(""));
  EXPECT_TRUE(folder_.Exists("sorvik/;PC1;bob.xml"));
}

TEST_F(SorvikOutTest, WithoutAnyIdentityNoReportIsWritten) {
  builder_.With([](sim::Facts& f) {
    f.resolver.clear();
    f.computerNameWorks = false;
    f.userNameWorks = false;
  });
  Start();
  EXPECT_EQ("(failed)", Report(""));
  EXPECT_EQ(std::vector<std::string>{}, folder_.List("sorvik"));
}

TEST_F(SorvikOutTest, AProgramInADriveRootDoublesTheBackslash) {
  builder_.With([](sim::Facts& f) { f.modulePath = "C:\\sorvik.exe"; });
  Start();
  EXPECT_EQ("C:\\\\" + kBase + ".xml", Report(""));
  EXPECT_TRUE(folder_.Exists(kBase + ".xml"));
}

TEST_F(SorvikOutTest, TheOutputArgumentNamesAFileOrAFolder) {
  Start();
  struct Case {
    const char* argument;
    std::string path;
  } cases[] = {
      {"C:\\out\\r.xml", "C:\\out\\r.xml"},
      {"C:\\out\\r.xml", "C:\\out\\r.xml"},  // overwritten, not numbered
      {"C:\\out\\", "C:\\out\\" + kBase + ".xml"},
      {"C:\\out", "C:\\out\\" + kBase + "(2).xml"},
      {"C:\\out\\my.xmlfiles", "C:\\out\\my.xmlfiles"},  // ".xml" anywhere names a file
  };
  for (const Case& c : cases) EXPECT_EQ(c.path, Report(c.argument)) << c.argument;
  EXPECT_EQ(kHead + "</sorvik>\r\n", folder_.Read("out/r.xml"));
  EXPECT_EQ(kHead + "</sorvik>\r\n", folder_.Read("out/my.xmlfiles"));
}

TEST_F(SorvikOutTest, AnUpperCaseExtensionIsTakenAsAFolder) {
  Start();
  folder_.MakeFolder("out/r.XML");
  EXPECT_EQ("C:\\out\\r.XML\\" + kBase + ".xml", Report("C:\\out\\r.XML"));
  EXPECT_TRUE(folder_.Exists("out/r.XML/" + kBase + ".xml"));
}

TEST_F(SorvikOutTest, MakeOutPathDropsOneTrailingBackslashInPlace) {
  Start();
  CSorvikOut out;
  char argument[kFilePathCapacity + 1] = "C:\\out\\\\";
  ASSERT_TRUE(out.MakeOutPath(identity_.get(), argument));
  EXPECT_STREQ("C:\\out\\", argument);
  EXPECT_EQ("C:\\out\\\\" + kBase + ".xml", std::string(out.ReportPath));
  EXPECT_FALSE(out.MakeOutPath(nullptr, argument));
  EXPECT_STREQ("", out.ReportPath);
}

TEST_F(SorvikOutTest, AMissingOutputFolderGivesNoReportAndNoTemporaryFile) {
  Start();
  EXPECT_EQ("(failed)", Report("C:\\nowhere\\"));
  EXPECT_FALSE(folder_.Exists("nowhere"));
  EXPECT_EQ(std::vector<std::string>{}, folder_.List("TEMP"));
}

TEST_F(SorvikOutTest, PathsBeyondTheCapacityAreRefused) {
  Start();
  std::string longFile = "C:\\out\\" + std::string(520, 'f') + ".xml";
  EXPECT_EQ("(failed)", Report(longFile));
  // A folder that fits, but not with the file name added.
  std::string longFolder = "C:\\out\\" + std::string(490, 'd');
  EXPECT_EQ("(failed)", Report(longFolder));
  EXPECT_EQ(std::vector<std::string>{}, folder_.List("TEMP"));

  char area[kFilePathCapacity + 1];
  std::memset(area, 0, sizeof area);
  CSorvikOut out;
  EXPECT_FALSE(out.GetExeFolder(area, 5));  // "C:\sorvik" does not fit five characters
  EXPECT_TRUE(out.GetExeFolder(area, kFilePathCapacity));
  EXPECT_STREQ("C:\\sorvik", area);
}

TEST_F(SorvikOutTest, AnOverlongModulePathIsRefused) {
  builder_.With([](sim::Facts& f) { f.modulePath = "C:\\" + std::string(600, 'p') + "\\s.exe"; });
  Start();
  EXPECT_EQ("(failed)", Report(""));
}

TEST_F(SorvikOutTest, TheRootElementCarriesVersionAndCreationTime) {
  builder_.With([](sim::Facts& f) { f.localTime = SYSTEMTIME{2007, 12, 1, 31, 23, 59, 59, 999}; });
  Start();
  CSorvikOut out;
  char time[kCreationTimeCapacity + 1];
  std::memset(time, 0, sizeof time);
  out.FormatCreationTime(time);
  EXPECT_STREQ("2007/12/31 23:59:59", time);

  char argument[kFilePathCapacity + 1] = "C:\\out\\r.xml";
  ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
  EXPECT_TRUE(out.WriteText(0, "<computer>\n"));
  out.CloseReport();
  EXPECT_EQ(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<sorvik version=\"3.0.1\" creationDateTime=\"2007/12/31 23:59:59\">\r\n"
      "<computer>\r\n"
      "</sorvik>\r\n",
      folder_.Read("out/r.xml"));
}

TEST_F(SorvikOutTest, TheTemporaryFileIsMadeWithThePrefixInTheTemporaryFolder) {
  Start();
  CSorvikOut out;
  char argument[kFilePathCapacity + 1] = "C:\\out\\r.xml";
  ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
  std::string temp = out.TempFilePath();
  ASSERT_EQ(0u, temp.find("C:\\TEMP\\sor")) << temp;
  std::vector<std::string> files = folder_.List("TEMP");
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ("C:\\TEMP\\" + files[0], temp);
  EXPECT_EQ("", folder_.Read("TEMP/" + files[0]));
}

TEST_F(SorvikOutTest, TheTemporaryFileNeverOutlivesTheReport) {
  Start();
  char argument[kFilePathCapacity + 1] = "C:\\out\\r.xml";
  {
    CSorvikOut out;
    ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
    EXPECT_EQ(1u, folder_.List("TEMP").size());
    out.CloseReport();
    EXPECT_EQ(std::vector<std::string>{}, folder_.List("TEMP"));
    EXPECT_STREQ("", out.TempFilePath());
  }
  {
    // The run stopped before the report was closed.
    CSorvikOut out;
    ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
    EXPECT_EQ(1u, folder_.List("TEMP").size());
  }
  EXPECT_EQ(std::vector<std::string>{}, folder_.List("TEMP"));
  {
    // The software section had it released already; nothing else is touched.
    CSorvikOut out;
    ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
    out.ReleaseTempFile();
    EXPECT_STREQ("", out.TempFilePath());
    folder_.Write("TEMP/other.tmp", "keep");
    out.CloseReport();
  }
  EXPECT_EQ(std::vector<std::string>{"other.tmp"}, folder_.List("TEMP"));
}

TEST_F(SorvikOutTest, WithoutATemporaryFolderNoReportIsWritten) {
  builder_.With([](sim::Facts& f) { f.tempPathWorks = false; });
  Start();
  EXPECT_EQ("(failed)", Report("C:\\out\\r.xml"));
  EXPECT_FALSE(folder_.Exists("out/r.xml"));
}

}  // namespace
