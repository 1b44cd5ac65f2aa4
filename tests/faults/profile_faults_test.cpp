// The fault plan itself: how rules count and fail calls, the stream that fills up, the
// [fault] sections of machine.ini, and the folders a replay makes before its run.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/run.h"
#include "app/sections.h"
#include "platform/files.h"
#include "platform/sim/builder.h"
#include "platform/sim/profile.h"
#include "tests/report/host_folder.h"

namespace {

LONG Open(const char* path, HKEY* key) {
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key);
}

TEST(FaultPlan, CountsOnlyCallsThatWouldSucceed) {
  auto machine = sim::MachineBuilder().Key("SOFTWARE\\A").Key("SOFTWARE\\B").Build();
  machine->faults.push_back(
      sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("software\\").From(2).Times(2));
  sim::ScopedMachine installed(*machine);
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open("SOFTWARE\\Missing", &key));  // not counted
  std::vector<LONG> results;
  for (const char* path : {"SOFTWARE\\A", "SOFTWARE\\B", "SOFTWARE\\a", "SOFTWARE\\B"}) {
    LONG result = Open(path, &key);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    results.push_back(result);
  }
  EXPECT_EQ(
      (std::vector<LONG>{ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_SUCCESS}),
      results);
  EXPECT_EQ(4, machine->faults[0].matched);
  EXPECT_EQ(0, machine->OpenHandleCount());
}

TEST(FaultPlan, AnEnumerationFailsAtItsIndexAndStillEnds) {
  auto machine = sim::MachineBuilder().Key("K\\a").Key("K\\b").Key("K\\c").Build();
  machine->faults.push_back(sim::Fault("RegEnumKeyExA", ERROR_ACCESS_DENIED).Path("K").Index(1));
  sim::ScopedMachine installed(*machine);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open("K", &key));
  std::vector<LONG> results;
  for (DWORD index = 0; index < 5; ++index) {
    char name[16] = {};
    DWORD size = sizeof(name);
    results.push_back(RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr));
  }
  RegCloseKey(key);
  EXPECT_EQ((std::vector<LONG>{ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SUCCESS,
                               ERROR_NO_MORE_ITEMS, ERROR_NO_MORE_ITEMS}),
            results);
}

// Windows leaves the area undefined with ERROR_MORE_DATA; the plan fills it with junk and
// asks for more than was offered.
TEST(FaultPlan, APlannedMoreDataLeavesJunkAndAsksForMore) {
  auto machine = sim::MachineBuilder().Key("K").String("Name", "abc").Build();
  machine->faults.push_back(sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Value("name"));
  sim::ScopedMachine installed(*machine);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open("K", &key));
  char area[9] = {};
  DWORD size = 8;
  EXPECT_EQ(ERROR_MORE_DATA,
            RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<LPBYTE>(area), &size));
  EXPECT_EQ(9u, size);
  EXPECT_EQ(std::string(8, '\xCC'), std::string(area));
  size = 2;  // too small anyway: the store's own answer, nothing copied, not counted
  area[0] = 'x';
  EXPECT_EQ(ERROR_MORE_DATA,
            RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<LPBYTE>(area), &size));
  EXPECT_EQ(4u, size);
  EXPECT_EQ('x', area[0]);
  EXPECT_EQ(1, machine->faults[0].matched);
  RegCloseKey(key);
}

TEST(FaultPlan, AWriteLimitFillsTheDiskAndLeavesReadsAlone) {
  HostFolder folder;
  sim::Machine machine;
  machine.facts.driveFolders['C'] = folder.path();
  machine.faults.push_back(
      sim::Fault("OpenPathA", ERROR_ACCESS_DENIED).Path("f.bin").WriteLimit(4));
  sim::ScopedMachine installed(machine);

  FILE* file = OpenPathA("C:\\f.bin", "wb");
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(3u, std::fwrite("abc", 1, 3, file));  // buffered: the error comes later
  std::fwrite("defgh", 1, 5, file);
  EXPECT_NE(0, std::fflush(file));
  EXPECT_NE(0, std::ferror(file));
  std::fclose(file);
  EXPECT_EQ("abcd", folder.Read("f.bin"));

  file = OpenPathA("C:\\f.bin", "r");  // an open for reading is not matched
  ASSERT_NE(nullptr, file);
  char bytes[8] = {};
  EXPECT_EQ(4u, std::fread(bytes, 1, sizeof(bytes), file));
  std::fclose(file);
  EXPECT_EQ(1, machine.faults[0].matched);
}

TEST(FaultProfile, FaultSectionsBecomeThePlan) {
  const std::string ini =
      "[fault]\n"
      "function = RegEnumKeyExA\n"
      "path = \"Uninstall\"\n"
      "index = 3\n"
      "error = error_no_more_items\n"
      "[files]\n"
      "tempFolderExists = no\n"
      "[fault]\n"
      "function = OpenPathA\n"
      "path = .xml\n"
      "error = 0x70\n"
      "from = 2\n"
      "count = 1\n"
      "writeLimit = 100\n";
  sim::Machine machine;
  std::string error;
  ASSERT_TRUE(sim::ParseMachineIni(ini, "machine.ini", "/p", &machine, &error)) << error;
  EXPECT_FALSE(machine.facts.tempFolderExists);
  ASSERT_EQ(2u, machine.faults.size());
  const sim::Fault& walk = machine.faults[0];
  EXPECT_EQ("RegEnumKeyExA", walk.function);
  EXPECT_EQ("Uninstall", walk.path);
  EXPECT_EQ(3, walk.index);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), walk.error);
  EXPECT_EQ(1, walk.fromCall);
  EXPECT_EQ(0, walk.count);
  EXPECT_EQ(-1, walk.writeLimit);
  const sim::Fault& disk = machine.faults[1];
  EXPECT_EQ("OpenPathA", disk.function);
  EXPECT_EQ(0x70u, disk.error);
  EXPECT_EQ(2, disk.fromCall);
  EXPECT_EQ(1, disk.count);
  EXPECT_EQ(100, disk.writeLimit);
}

TEST(FaultProfile, ABrokenFaultSectionStopsTheLoad) {
  struct Case {
    const char* ini;
    const char* error;
  } cases[] = {
      {"[fault]\nfunction = GetVersionExA\n",
       "machine.ini:2: 'GetVersionExA' can't be made to fail (RegOpenKeyExA, RegEnumKeyExA, "
       "RegQueryValueExA, GetTempPathA, GetTempFileNameA, OpenPathA)"},
      {"[fault]\nerror = 5\n[files]\n", "machine.ini:3: the [fault] of line 1 names no function"},
      {"\n[fault]\npath = x\n", "machine.ini: the [fault] of line 2 names no function"},
      {"[fault]\nfunction = OpenPathA\nerror = ERROR_DISK_FULL\n",
       "machine.ini:3: 'ERROR_DISK_FULL' is neither an error number nor a name like "
       "ERROR_ACCESS_DENIED"},
      {"[fault]\nfunction = OpenPathA\nfrom = 0\n", "machine.ini:3: calls are counted from 1"},
      {"[fault]\nfunction = OpenPathA\nvalues = x\n",
       "machine.ini:3: unknown name 'values' in [fault]"},
  };
  for (const Case& c : cases) {
    sim::Machine machine;
    std::string error;
    EXPECT_FALSE(sim::ParseMachineIni(c.ini, "machine.ini", "/p", &machine, &error)) << c.ini;
    EXPECT_EQ(c.error, error);
  }
}

// A copy of a fixture profile with drive C: in an empty host folder, as a replay started
// from an empty working folder sees it.
class ReplayFolders : public ::testing::Test {
 protected:
  void Load(const std::string& extraIni) {
    std::filesystem::copy(std::string(SORVIK_FIXTURES) + "/xp-pro-sp2", profile_.path(),
                          std::filesystem::copy_options::recursive);
    profile_.Write("machine.ini", profile_.Read("machine.ini") + extraIni);
    std::string error;
    ASSERT_TRUE(sim::LoadProfile(profile_.path(), &machine_, &error)) << error;
    machine_.facts.driveFolders['C'] = driveC_.path();
    ASSERT_TRUE(sim::CreateRunFolders(machine_, &error)) << error;
  }

  void Run(const char* commandLine) {
    ApplicationCount = UpdateCount = ComponentCount = SoftwareTotal = 0;  // a process of its own
    sim::ScopedMachine installed(machine_);
    EXPECT_EQ(0, SorvikMain(commandLine));
    EXPECT_EQ(0, machine_.OpenHandleCount());
  }

  HostFolder profile_, driveC_;
  sim::Machine machine_;
};

TEST_F(ReplayFolders, AReplayFromAnEmptyFolderWritesItsReport) {
  Load("");
  Run("");
  EXPECT_EQ(std::vector<std::string>{"192.168.0.7;OFFICE-PC;anna.xml"}, driveC_.List("sorvik"));
  EXPECT_TRUE(driveC_.Exists("TEMP"));
  EXPECT_EQ(std::vector<std::string>{}, driveC_.List("TEMP"));
}

TEST_F(ReplayFolders, AMissingTempFolderMeansNoReport) {
  Load("\n[files]\ntempFolderExists = no\n");
  Run("");
  EXPECT_TRUE(driveC_.Exists("sorvik"));
  EXPECT_EQ(std::vector<std::string>{}, driveC_.List("sorvik"));
  EXPECT_FALSE(driveC_.Exists("TEMP"));
}

TEST_F(ReplayFolders, AProfileCarriesItsFaults) {
  Load(
      "\n[fault]\nfunction = RegOpenKeyExA\npath = CurrentVersion\\Uninstall\n"
      "error = ERROR_ACCESS_DENIED\n");
  Run("/software");
  std::vector<std::string> reports = driveC_.List("sorvik");
  ASSERT_EQ(1u, reports.size());
  std::string report = driveC_.Read("sorvik/" + reports[0]);
  EXPECT_NE(std::string::npos, report.find("<software>\r\n</software>\r\n"));
  EXPECT_NE(std::string::npos, report.find("<total>0</total>"));
  EXPECT_EQ(1, machine_.faults[0].matched);
  EXPECT_EQ(std::vector<std::string>{}, driveC_.List("TEMP"));
}

TEST(ReplayFolder, AFolderThatCannotBeMadeIsAnError) {
  HostFolder folder;
  folder.Write("sorvik", "a file where the program's folder should be");
  sim::Machine machine;
  machine.facts.driveFolders['C'] = folder.path();
  std::string error;
  EXPECT_FALSE(sim::CreateRunFolders(machine, &error));
  EXPECT_NE(std::string::npos, error.find("C:\\sorvik")) << error;
}

}  // namespace
