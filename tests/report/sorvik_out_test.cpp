// CSorvikOut: names beside earlier reports, refused paths, the temporary record file. Frames,
// identities with missing pieces and failed runs are in the fixtures' expected reports.
#include "report/sorvik_out.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/builder.h"
#include "sysid/pc_fetcher.h"
#include "tests/report/host_folder.h"

namespace {

const std::string kBase = "10.1.2.3;OFFICE-PC;anna";
const std::vector<std::string> kNone;

// The program in C:\sorvik, the temporary folder C:\TEMP, drive C: a fresh host folder.
class SorvikOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"sorvik", "TEMP", "out"}) folder_.MakeFolder(folder);
    machine_ = sim::MachineBuilder().Build();
    machine_->facts.driveFolders['C'] = folder_.path();
    machine_->facts.resolver["officepc"] = {"10.1.2.3"};
    installed_.reset(new sim::ScopedMachine(*machine_));
    identity_.reset(new CPcFetcher);
  }

  // Opens a report with the given output argument, closes it at once and returns its path.
  std::string Report(std::string argument) {
    CSorvikOut out;
    if (!out.OpenReport(identity_.get(), &argument[0])) return "(failed)";
    out.CloseReport();
    return out.ReportPath;
  }

  HostFolder folder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
  std::unique_ptr<CPcFetcher> identity_;
};

TEST_F(SorvikOutTest, DefaultNamesAreNumberedUpToAHundred) {
  for (const char* number : {"", "(2)", "(3)"})
    EXPECT_EQ("C:\\sorvik\\" + kBase + number + ".xml", Report(""));
  // A freed plain name is taken again before the numbered ones.
  ASSERT_TRUE(std::filesystem::remove(folder_.At("sorvik/" + kBase + ".xml")));
  EXPECT_EQ("C:\\sorvik\\" + kBase + ".xml", Report(""));
  for (int i = 4; i < 100; ++i)
    folder_.Write("sorvik/" + kBase + "(" + std::to_string(i) + ").xml", "x");
  EXPECT_EQ("C:\\sorvik\\" + kBase + "(100).xml", Report(""));
  EXPECT_EQ("(failed)", Report(""));
  EXPECT_EQ(kNone, folder_.List("TEMP"));
}

// Where /out: puts the report in an empty folder is in the fixture out-paths.
TEST_F(SorvikOutTest, TheOutputArgumentNamesAFileOrAFolder) {
  for (const char* path : {"C:\\out\\r.xml", "C:\\out\\r.xml", "C:\\out", "C:\\out\\"})
    EXPECT_NE("(failed)", Report(path));
  EXPECT_EQ((std::vector<std::string>{kBase + "(2).xml", kBase + ".xml", "r.xml"}),
            folder_.List("out"));  // a file is overwritten, a folder's names are numbered

  CSorvikOut out;
  char argument[] = "C:\\out\\\\";  // one trailing backslash is dropped, in place
  ASSERT_TRUE(out.MakeOutPath(identity_.get(), argument));
  EXPECT_EQ("C:\\out\\|C:\\out\\\\" + kBase + "(3).xml",
            argument + ("|" + std::string(out.ReportPath)));
  EXPECT_FALSE(out.MakeOutPath(nullptr, argument));
  EXPECT_STREQ("", out.ReportPath);
  EXPECT_FALSE(out.MakeDefaultPath(nullptr));
  // 512 characters fit, though no command line gives more than 511.
  std::string longFile = "C:\\" + std::string(505, 'f') + ".xml";
  EXPECT_TRUE(out.MakeOutPath(identity_.get(), &longFile[0]));
  longFile.insert(3, "f");
  EXPECT_FALSE(out.MakeOutPath(identity_.get(), &longFile[0]));
  char folder[16] = {};
  EXPECT_FALSE(out.GetExeFolder(folder, 8));  // "C:\sorvik" is nine characters
  EXPECT_TRUE(out.GetExeFolder(folder, 9));
  EXPECT_STREQ("C:\\sorvik", folder);
}

// Made empty, with the prefix, in the temporary folder by OpenReport; deleted once, by whatever
// comes first: ReleaseTempFile, CloseReport or the destructor.
TEST_F(SorvikOutTest, TheTemporaryFileNeverOutlivesTheReport) {
  char argument[] = "C:\\out\\r.xml";
  for (int end = 0; end < 3; ++end) {
    std::vector<std::string> files;
    {
      CSorvikOut out;
      ASSERT_TRUE(out.OpenReport(identity_.get(), argument));
      files = folder_.List("TEMP");
      ASSERT_EQ(1u, files.size());
      EXPECT_EQ("C:\\TEMP\\sor" + files[0].substr(3), out.TempFilePath());
      EXPECT_EQ("", folder_.Read("TEMP/" + files[0]));
      if (end == 0) {
        out.ReleaseTempFile();
        folder_.Write("TEMP/" + files[0], "");  // another program is given the name
      }
      if (end < 2) out.CloseReport();
      EXPECT_EQ(end == 2, out.TempFilePath()[0] != '\0');
    }
    EXPECT_EQ(end == 0 ? files : kNone, folder_.List("TEMP"));
    std::filesystem::remove(folder_.At("TEMP/" + files[0]));
  }
}

}  // namespace
