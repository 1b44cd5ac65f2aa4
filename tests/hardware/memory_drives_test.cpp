// Memory size text and drive list text, through both the newer kernel calls and the
// fallbacks of older systems.
#include <string>
#include <vector>

#include "hardware/hw_fetcher.h"
#include "hardware_test_support.h"

namespace {

using hwtest::Answer;
using hwtest::Ask;

const ULONGLONG kMb = 1ull << 20;

struct RamCase {
  ULONGLONG bytes;
  bool hasEx;
  const char* expected;
};

class RamTest : public ::testing::TestWithParam<RamCase> {};

TEST_P(RamTest, FormatsMegabytesWithOneDecimal) {
  const RamCase& c = GetParam();
  auto machine = sim::MachineBuilder()
                     .With([&](sim::Facts& f) {
                       f.totalPhysBytes = c.bytes;
                       f.hasGlobalMemoryStatusEx = c.hasEx;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetRam), (Answer{true, c.expected}));
  EXPECT_EQ(machine->calls["GlobalMemoryStatusEx"], c.hasEx ? 1 : 0);
  EXPECT_EQ(machine->calls["GlobalMemoryStatus"], c.hasEx ? 0 : 1);
  EXPECT_EQ(machine->libraryLoads, 0);  // the kernel library released again
}

INSTANTIATE_TEST_SUITE_P(
    Memory, RamTest,
    ::testing::Values(RamCase{511 * kMb + kMb / 2, true, "511.0"},   // whole megabytes
                      RamCase{511 * kMb + kMb / 2, false, "511.5"},  // the fraction kept
                      RamCase{2047 * kMb, true, "2047.0"}, RamCase{2047 * kMb, false, "2047.0"},
                      RamCase{8192 * kMb, true, "8192.0"},
                      // 32 bits hold 4 GB - 1 byte; in single precision that is 4096.0
                      RamCase{8192 * kMb, false, "4096.0"}, RamCase{0, true, "0.0"}));

// Drive letters by index, for readable machine set-ups.
sim::Drive Removable() {
  sim::Drive d;
  d.type = DRIVE_REMOVABLE;
  return d;
}
sim::Drive Cd() {
  sim::Drive d;
  d.type = DRIVE_CDROM;
  return d;
}
sim::Drive Fixed(ULONGLONG total, ULONGLONG available) {
  sim::Drive d;
  d.type = DRIVE_FIXED;
  d.totalBytes = total;
  d.freeBytes = available;
  d.sectorsPerCluster = 8;
  d.bytesPerSector = 512;
  d.totalClusters = static_cast<DWORD>(total / 4096);
  d.freeClusters = static_cast<DWORD>(available / 4096);
  return d;
}
sim::Drive OfType(UINT type) {
  sim::Drive d = Fixed(100 * kMb, 50 * kMb);
  d.type = type;
  return d;
}

struct DrivesCase {
  const char* what;
  std::vector<std::pair<char, sim::Drive>> drives;
  bool hasEx;
  std::string expected;
};

class DrivesTest : public ::testing::TestWithParam<DrivesCase> {};

TEST_P(DrivesTest, BuildsTheDriveListText) {
  const DrivesCase& c = GetParam();
  auto machine = sim::MachineBuilder()
                     .With([&](sim::Facts& f) {
                       f.drives = {};
                       for (const auto& d : c.drives)
                         f.drives[static_cast<size_t>(d.first - 'A')] = d.second;
                       f.hasGetDiskFreeSpaceEx = c.hasEx;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetDrives), (Answer{true, c.expected})) << c.what;
  EXPECT_EQ(machine->calls["GetDriveTypeA"], 26) << c.what;
  EXPECT_EQ(machine->libraryLoads, 0) << c.what;
}

std::string TwentySixFixed() {
  std::string text;
  for (char letter = 'A'; letter <= 'Z'; ++letter) text += std::string(1, letter) + ":10M/1M ";
  return text + "(TOTAL:260M/26M)";
}

INSTANTIATE_TEST_SUITE_P(
    Drives, DrivesTest,
    ::testing::Values(
        DrivesCase{"floppy, fixed and CD",
                   {{'A', Removable()}, {'C', Fixed(953 * kMb + 17, 412 * kMb + 5)}, {'D', Cd()}},
                   true,
                   "A:RM C:953M/412M D:CD (TOTAL:953M/412M)"},
        DrivesCase{"no drive at all: the summary alone", {}, true, "(TOTAL:0M/0M)"},
        DrivesCase{"the summary converts the sum of the bytes",
                   {{'C', Fixed(3 * kMb / 2, 0)}, {'E', Fixed(3 * kMb / 2, 0)}},
                   true,
                   "C:1M/0M E:1M/0M (TOTAL:3M/0M)"},
        DrivesCase{"network shares, RAM disks and unknown drives are left out",
                   {{'C', Fixed(10 * kMb, 5 * kMb)},
                    {'F', OfType(DRIVE_UNKNOWN)},
                    {'R', OfType(DRIVE_RAMDISK)},
                    {'Z', OfType(DRIVE_REMOTE)}},
                   true,
                   "C:10M/5M (TOTAL:10M/5M)"},
        DrivesCase{"4 GB and more through the cluster counts",
                   {{'C', Fixed(8000000000ull, 5000000000ull)}},
                   false,
                   "C:7629M/4768M (TOTAL:7629M/4768M)"},
        DrivesCase{"26 fixed drives",
                   [] {
                     std::vector<std::pair<char, sim::Drive>> all;
                     for (char l = 'A'; l <= 'Z'; ++l) all.push_back({l, Fixed(10 * kMb, kMb)});
                     return all;
                   }(),
                   true, TwentySixFixed()}),
    [](const ::testing::TestParamInfo<DrivesCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST(DriveSize, UsesTheExtendedCallWhenPresent) {
  sim::Drive drive = Fixed(300 * kMb, 200 * kMb);
  drive.totalClusters = 1;  // would give other numbers
  drive.freeClusters = 1;
  auto machine = sim::MachineBuilder().With([&](sim::Facts& f) { f.drives[2] = drive; }).Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  EXPECT_EQ(fetcher.GetTotalBytes("C:\\"), 300 * kMb);
  EXPECT_EQ(fetcher.GetFreeBytes("C:\\"), 200 * kMb);
  EXPECT_EQ(machine->calls["GetDiskFreeSpaceA"], 0);
  EXPECT_EQ(machine->libraryLoads, 0);
}

TEST(DriveSize, FallbackMultipliesInSixtyFourBits) {
  sim::Drive drive;
  drive.type = DRIVE_FIXED;
  drive.sectorsPerCluster = 64;
  drive.bytesPerSector = 4096;
  drive.totalClusters = 0xFFFFFFFFu;
  drive.freeClusters = 0x80000000u;
  auto machine = sim::MachineBuilder()
                     .With([&](sim::Facts& f) {
                       f.drives[2] = drive;
                       f.hasGetDiskFreeSpaceEx = false;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  EXPECT_EQ(fetcher.GetTotalBytes("C:\\"), 64ull * 4096 * 0xFFFFFFFFull);
  EXPECT_EQ(fetcher.GetFreeBytes("C:\\"), 64ull * 4096 * 0x80000000ull);
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetDrives).text,
            "C:1073741823M/536870912M (TOTAL:1073741823M/536870912M)");
}

TEST(DriveSize, AnUnreadableDriveCountsZero) {
  sim::Drive drive = Fixed(300 * kMb, 200 * kMb);
  drive.sizeReadable = false;
  for (bool hasEx : {true, false}) {
    auto machine = sim::MachineBuilder()
                       .With([&](sim::Facts& f) {
                         f.drives[2] = drive;
                         f.drives[3] = Fixed(5 * kMb, 2 * kMb);
                         f.hasGetDiskFreeSpaceEx = hasEx;
                       })
                       .Build();
    sim::ScopedMachine installed(*machine);
    CHwFetcher fetcher;
    EXPECT_EQ(fetcher.GetTotalBytes("C:\\"), 0u);
    EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetDrives).text, "C:0M/0M D:5M/2M (TOTAL:5M/2M)");
    EXPECT_EQ(machine->libraryLoads, 0);
  }
}

TEST(DriveSize, RemovableAndCdDrivesAreNeverMeasured) {
  auto machine = sim::MachineBuilder()
                     .With([&](sim::Facts& f) {
                       f.drives[0] = Removable();
                       f.drives[3] = Cd();
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetDrives).text, "A:RM D:CD (TOTAL:0M/0M)");
  EXPECT_EQ(machine->calls["GetDiskFreeSpaceExA"], 0);
  EXPECT_EQ(machine->calls["GetDiskFreeSpaceA"], 0);
}

}  // namespace
