// The large machine of the benchmarks describes what docs/performance.md says it does: a full
// run over it lists every distinct uninstall entry and every qualifying servicing package,
// closes every key, and on XP scans the SCSI device map and finds its CD-ROM units.
#include "bench/large_machine.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile.h"

namespace {

class LargeMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "large-machine-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    std::string error;
    // The runs take a tenth of the machine: the same kinds of keys, fewer of them, so that
    // the sanitizer build runs this in seconds.
    bench::LargeMachineShape shape;
    shape.uninstallEntries = 500;
    shape.packages = 300;
    shape.services = 100;
    ASSERT_TRUE(bench::WriteLargeMachine(root_ + "/profile", bench::Generation::kVista, shape,
                                         &counts_, &error))
        << error;
    std::filesystem::create_directories(root_ + "/c");
  }
  void TearDown() override {
    sim::Install(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Loads the profile (as the generation given) and runs the program over it; returns the
  // report's text.
  std::string Run(bench::Generation generation, const char* commandLine) {
    std::string error;
    EXPECT_TRUE(bench::WriteMachineIni(root_ + "/profile", generation, &error)) << error;
    EXPECT_TRUE(sim::LoadProfile(root_ + "/profile", &machine_, &error)) << error;
    machine_.facts.driveFolders['C'] = root_ + "/c";
    sim::Install(&machine_);
    EXPECT_EQ(SorvikMain(commandLine), 0);
    sim::Install(nullptr);
    std::ifstream file(root_ + "/c/report.xml", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  static int Occurrences(const std::string& text, const std::string& part) {
    int found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
      ++found;
    return found;
  }
  static int Element(const std::string& report, const std::string& name) {
    size_t at = report.find("<" + name + ">");
    return at == std::string::npos ? -1 : std::atoi(report.c_str() + at + name.size() + 2);
  }
  std::vector<std::string> FilesOfC() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/c"))
      names.push_back(entry.path().filename().string());
    return names;
  }

  std::string root_;
  bench::LargeMachineCounts counts_;
  sim::Machine machine_;
};

TEST_F(LargeMachine, HasTheAdvertisedShape) {
  bench::LargeMachineCounts counts;
  std::string error;
  ASSERT_TRUE(bench::WriteLargeMachine(root_ + "/full", bench::Generation::kVista,
                                       bench::LargeMachineShape(), &counts, &error))
      << error;
  // 5,000 entries: a tenth without a DisplayName, and one in 33 a repeat of an earlier one.
  EXPECT_EQ(counts.uninstallRecords, 4500);
  EXPECT_GT(counts.uninstallRecords - counts.distinctUninstall, 100);
  EXPECT_EQ(counts.qualifyingPackages, 1000);
  EXPECT_EQ(counts.scsiUnits, 5);
  EXPECT_EQ(counts.cdromUnits, 2);
  // 1,000 service keys with three subkeys each.
  std::ifstream services(root_ + "/full/40-services.reg", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(services)), std::istreambuf_iterator<char>());
  EXPECT_EQ(
      Occurrences(text, "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ExampleDrv"),
      4000);
}

TEST_F(LargeMachine, VistaRunListsUninstallEntriesAndPackagesOnce) {
  std::string report = Run(bench::Generation::kVista, "/out:\"C:\\report.xml\"");
  int expected = counts_.distinctUninstall + counts_.qualifyingPackages;
  EXPECT_EQ(Occurrences(report, "<installed "), expected);
  EXPECT_EQ(Element(report, "total"), expected);
  EXPECT_EQ(Element(report, "numberOfApplication") + Element(report, "numberOfUpdate") +
                Element(report, "numberOfComponent"),
            expected);
  EXPECT_GE(Element(report, "numberOfUpdate"), counts_.qualifyingPackages);
  // The Vista fetcher takes CD-ROM drives from the device classes, not from the SCSI map.
  // By friendly name, else by the description's text after its ";".
  EXPECT_NE(report.find("<cdrom>EXAMPLE DVD-RW DRIVE 6 #6;EXAMPLE DVD-RW DRIVE 46;"
                        "EXAMPLE DVD-RW DRIVE 86</cdrom>"),
            std::string::npos);
  EXPECT_EQ(report.find("EXAMPLE DVD-RW DRV1"), std::string::npos);
  EXPECT_EQ(machine_.OpenHandleCount(), 0);
  EXPECT_EQ(FilesOfC(), std::vector<std::string>{"report.xml"});  // no record file left
}

TEST_F(LargeMachine, XpRunScansTheScsiMapAndSkipsPackages) {
  std::string report = Run(bench::Generation::kXp, "/device /software /out:\"C:\\report.xml\"");
  EXPECT_EQ(Occurrences(report, "<installed "), counts_.distinctUninstall);
  EXPECT_EQ(Element(report, "total"), counts_.distinctUninstall);
  EXPECT_NE(report.find("<cdrom>EXAMPLE DVD-RW DRV1 1.02;EXAMPLE BD-ROM DRV2 2.00</cdrom>"),
            std::string::npos);
  // Every one of the 10,000 unit addresses is tried (the class walks open about 2,500 keys).
  EXPECT_GE(machine_.calls["RegOpenKeyExA"], 10000);
  EXPECT_EQ(machine_.OpenHandleCount(), 0);
  EXPECT_EQ(FilesOfC(), std::vector<std::string>{"report.xml"});
}

}  // namespace
