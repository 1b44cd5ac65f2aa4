// CSorvikOut: the report's name and folder, the root element, and the temporary record file,
// with the failures that leave nothing behind.
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
const std::vector<std::string> kNone;

// A computer with address 10.1.2.3, name PC1 and user bob; the program in C:\sorvik, the
// temporary folder C:\TEMP, drive C: a fresh host folder.
class SorvikOutTest : public ::testing::Test {
 protected:
  void Start(void (*change)(sim::Facts&) = [](sim::Facts&) {}) {
    for (const char* folder : {"sorvik", "TEMP", "out"}) folder_.MakeFolder(folder);
    identity_.reset();
    installed_.reset();
    machine_ = sim::MachineBuilder()
                   .With([&](sim::Facts& f) {
                     f.driveFolders['C'] = folder_.path();
                     f.hostName = "pc1host";
                     f.resolver["pc1host"] = {"10.1.2.3"};
                     f.computerName = "PC1";
                     f.userName = "bob";
                   })
                   .With(change)
                   .Build();
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

  HostFolder folder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
  std::unique_ptr<CPcFetcher> identity_;
};

TEST_F(SorvikOutTest, TheNameJoinsWhatTheIdentityGives) {
  const std::pair<void (*)(sim::Facts&), const char*> cases[] = {
      {[](sim::Facts& f) { f.resolver.clear(); }, "C:\\sorvik\\;PC1;bob.xml"},
      {[](sim::Facts& f) { f.computerNameWorks = false; }, "C:\\sorvik\\10.1.2.3;bob.xml"},
      {[](sim::Facts& f) { f.userNameWorks = false; }, "C:\\sorvik\\10.1.2.3;PC1.xml"},
      {[](sim::Facts& f) { f.modulePath = "C:\\sorvik.exe"; }, "C:\\\\10.1.2.3;PC1;bob.xml"},
      {[](sim::Facts& f) {
         f.resolver.clear();
         f.computerNameWorks = f.userNameWorks = false;
       },
       "(failed)"},
      {[](sim::Facts& f) { f.modulePath = "C:\\" + std::string(600, 'p') + "\\s.exe"; },
       "(failed)"},
      {[](sim::Facts& f) { f.tempPathWorks = false; }, "(failed)"},
  };
  for (const auto& c : cases) {
    Start(c.first);
    EXPECT_EQ(c.second, Report(""));
    EXPECT_EQ(kNone, folder_.List("TEMP"));
  }
  EXPECT_EQ((std::vector<std::string>{"10.1.2.3;PC1.xml", "10.1.2.3;bob.xml", ";PC1;bob.xml"}),
            folder_.List("sorvik"));
}

TEST_F(SorvikOutTest, DefaultNamesAreNumberedUpToAHundred) {
  Start();
  EXPECT_EQ("C:\\sorvik\\" + kBase + ".xml", Report(""));
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(2).xml", Report(""));
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(3).xml", Report(""));
  // A freed plain name is taken again before the numbered ones.
  ASSERT_TRUE(std::filesystem::remove(folder_.At("sorvik/" + kBase + ".xml")));
  EXPECT_EQ("C:\\sorvik\\" + kBase + ".xml", Report(""));
  for (int i = 4; i < 100; ++i)
    folder_.Write("sorvik/" + kBase + "(" + std::to_string(i) + ").xml", "x");
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(100).xml", Report(""));
  EXPECT_EQ("(failed)", Report(""));
  EXPECT_FALSE(folder_.Exists("sorvik/" + kBase + "(101).xml"));
  EXPECT_EQ(kNone, folder_.List("TEMP"));
}

// ".xml" anywhere names a file, overwritten; anything else a folder, where the name is chosen
// as by default.
TEST_F(SorvikOutTest, TheOutputArgumentNamesAFileOrAFolder) {
  Start();
  folder_.MakeFolder("out/r.XML");
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\out\\r.xml", "C:\\out\\r.xml"},
      {"C:\\out\\r.xml", "C:\\out\\r.xml"},
      {"C:\\out\\my.xmlfiles", "C:\\out\\my.xmlfiles"},
      {"C:\\out\\", "C:\\out\\" + kBase + ".xml"},
      {"C:\\out", "C:\\out\\" + kBase + "(2).xml"},
      {"C:\\out\\r.XML", "C:\\out\\r.XML\\" + kBase + ".xml"},
      {"C:\\nowhere\\", "(failed)"},
      {"C:\\out\\" + std::string(505, 'f') + ".xml", "(failed)"},
      {"C:\\out\\" + std::string(490, 'd'), "(failed)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, Report(c.first)) << c.first.substr(0, 40);
  EXPECT_EQ(kNone, folder_.List("TEMP"));
  EXPECT_FALSE(folder_.Exists("nowhere"));
  EXPECT_EQ((std::vector<std::string>{kBase + "(2).xml", kBase + ".xml", "my.xmlfiles", "r.XML",
                                      "r.xml"}),
            folder_.List("out"));

  CSorvikOut out;
  char argument[kFilePathCapacity + 1] = "C:\\out\\\\";  // one trailing backslash is dropped
  ASSERT_TRUE(out.MakeOutPath(identity_.get(), argument));
  EXPECT_STREQ("C:\\out\\", argument);
  EXPECT_EQ("C:\\out\\\\" + kBase + "(3).xml", std::string(out.ReportPath));
  EXPECT_FALSE(out.MakeOutPath(nullptr, argument));
  EXPECT_STREQ("", out.ReportPath);
  EXPECT_FALSE(out.MakeDefaultPath(nullptr));
  char folder[16] = {};
  EXPECT_FALSE(out.GetExeFolder(folder, 8));  // "C:\sorvik" is nine characters
  EXPECT_TRUE(out.GetExeFolder(folder, 9));
  EXPECT_STREQ("C:\\sorvik", folder);
}

TEST_F(SorvikOutTest, TheFrameOfTheFile) {
  Start([](sim::Facts& f) { f.localTime = SYSTEMTIME{2007, 12, 1, 31, 23, 9, 5, 999}; });
  CSorvikOut out;
  char argument[kFilePathCapacity + 1] = "C:\\out\\r.xml";
  ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
  EXPECT_TRUE(out.WriteText(0, "<computer>\n"));
  out.CloseReport();
  EXPECT_EQ(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<sorvik version=\"3.0.1\" creationDateTime=\"2007/12/31 23:09:05\">\r\n"
      "<computer>\r\n"
      "</sorvik>\r\n",
      folder_.Read("out/r.xml"));
}

// Made empty, with the prefix, in the temporary folder by OpenReport; deleted once, by whatever
// comes first: ReleaseTempFile, CloseReport or the destructor.
TEST_F(SorvikOutTest, TheTemporaryFileNeverOutlivesTheReport) {
  Start();
  char argument[kFilePathCapacity + 1] = "C:\\out\\r.xml";
  for (int end = 0; end < 3; ++end) {
    std::vector<std::string> files;
    {
      CSorvikOut out;
      ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
      files = folder_.List("TEMP");
      ASSERT_EQ(1u, files.size());
      EXPECT_EQ(0u, files[0].find("sor"));
      EXPECT_EQ("C:\\TEMP\\" + files[0], out.TempFilePath());
      EXPECT_EQ("", folder_.Read("TEMP/" + files[0]));
      if (end == 0) {
        out.ReleaseTempFile();
        EXPECT_STREQ("", out.TempFilePath());
        folder_.Write("TEMP/" + files[0], "");  // another program is given the name
      }
      if (end < 2) out.CloseReport();
    }
    EXPECT_EQ(end == 0 ? files : kNone, folder_.List("TEMP"));
    std::filesystem::remove(folder_.At("TEMP/" + files[0]));
  }
  EXPECT_EQ(kNone, folder_.List("TEMP"));
  machine_->faults.push_back(sim::Fault("GetTempFileNameA", ERROR_ACCESS_DENIED));
  EXPECT_EQ("(failed)", Report("C:\\out\\t.xml"));
  EXPECT_FALSE(folder_.Exists("out/t.xml"));
}

}  // namespace
