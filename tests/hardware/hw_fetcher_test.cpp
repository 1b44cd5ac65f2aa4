// The base class's own answers: processors, memory and drives.
#include "hardware/hw_fetcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/builder.h"

namespace {

typedef bool (CHwFetcher::*Slot)(char* buffer, int capacity);
const char kProcessors[] = "Hardware\\Description\\System\\CentralProcessor\\";
const ULONGLONG kMb = 1ull << 20;

sim::MachineBuilder& Processor(sim::MachineBuilder& b, int index) {
  return b.Key(kProcessors + std::to_string(index));
}

// The answer of `slot` on the machine that `build` sets up, in a zero-filled area of
// capacity + 1; every key is closed and the kernel library released again.
template <class Build>
std::string On(Build build, Slot slot, int capacity = 4096) {
  sim::MachineBuilder builder;
  build(builder, builder.machine().facts);
  auto machine = builder.Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  std::vector<char> area(static_cast<size_t>(capacity) + 1, '\0');
  EXPECT_TRUE((fetcher.*slot)(area.data(), capacity));
  EXPECT_EQ(machine->OpenHandleCount(), 0);
  return area.data();
}

// Per key the first of name, identifier (with the clock as a signed number) and vendor; the
// first four keys only; blank runs shrink to one, nothing trimmed, tabs kept.
TEST(Cpu, TakesOneValuePerKeyFromUpToFourKeys) {
  auto build = [](sim::MachineBuilder& b, sim::Facts&) {
    Processor(b, 0)
        .String("ProcessorNameString", "  Intel(R)  Xeon\t\tCPU ")
        .String("Identifier", "x");
    Processor(b, 1).String("Identifier", "x86  F6").Dword("~MHz", 0xFFFFFFFF);
    Processor(b, 2).String("Identifier", "x86 F5").String("VendorIdentifier", "v");
    Processor(b, 3).String("VendorIdentifier", "CyrixInstead").Dword("~MHz", 5);
    Processor(b, 4).String("ProcessorNameString", "fifth");
  };
  EXPECT_EQ(On(build, &CHwFetcher::GetCpu),
            " Intel(R) Xeon\t\tCPU ;x86 F6 -1 Mhz;x86 F5;CyrixInstead");
}

// A key without values adds no separator; a gap ends the list; 512 identifier characters.
TEST(Cpu, EmptyKeysAddNothingAndAGapEndsTheList) {
  auto build = [](sim::MachineBuilder& b, sim::Facts&) {
    Processor(b, 0).Dword("~MHz", 100);
    Processor(b, 1).String("Identifier", std::string(600, 'i')).Dword("~MHz", 100);
    Processor(b, 3).String("ProcessorNameString", "after the gap");
  };
  EXPECT_EQ(On(build, &CHwFetcher::GetCpu), std::string(512, 'i') + " 100 Mhz");
}

TEST(Cpu, BlanksCollapseWithinTheCapacityOnly) {
  auto build = [](sim::MachineBuilder& b, sim::Facts&) {
    Processor(b, 0).String("ProcessorNameString", "Intel(R)   Core(TM)2 CPU");
  };
  EXPECT_EQ(On(build, &CHwFetcher::GetCpu, 10), "Intel(R) ");
}

TEST(Cpu, WithoutProcessorKeysNamesTheProcessorFromSystemInformation) {
  const struct {
    WORD architecture;
    DWORD type;
    const char* name;
  } cases[] = {{PROCESSOR_ARCHITECTURE_INTEL, 486, "Intel 486"},
               {PROCESSOR_ARCHITECTURE_INTEL, 686, "Unknown"},
               {PROCESSOR_ARCHITECTURE_AMD64, 8664, "AMD64"},
               {10, 0, "Unknown"}};
  for (const auto& c : cases) {
    auto build = [&](sim::MachineBuilder&, sim::Facts& f) {
      f.processorArchitecture = c.architecture;
      f.processorType = c.type;
    };
    EXPECT_EQ(On(build, &CHwFetcher::GetCpu), c.name);
  }
}

// The newer call gives whole megabytes; the older one keeps the fraction in single precision
// and holds at most 4 GB - 1 byte.
TEST(Ram, FormatsMegabytesWithOneDecimal) {
  const struct {
    ULONGLONG bytes;
    bool hasEx;
    const char* text;
  } cases[] = {{511 * kMb + kMb / 2, true, "511.0"},
               {511 * kMb + kMb / 2, false, "511.5"},
               {8192 * kMb, true, "8192.0"},
               {8192 * kMb, false, "4096.0"}};
  for (const auto& c : cases) {
    auto build = [&](sim::MachineBuilder&, sim::Facts& f) {
      f.totalPhysBytes = c.bytes;
      f.hasGlobalMemoryStatusEx = c.hasEx;
    };
    EXPECT_EQ(On(build, &CHwFetcher::GetRam), c.text);
  }
}

sim::Drive MakeDrive(UINT type, ULONGLONG total, ULONGLONG available) {
  sim::Drive d;
  d.type = type;
  d.totalBytes = total;
  d.freeBytes = available;
  d.totalClusters = static_cast<DWORD>(total / 4096);  // of 8 sectors of 512 bytes
  d.freeClusters = static_cast<DWORD>(available / 4096);
  return d;
}

// Removable and CD drives are never measured; shares, RAM disks and unknown drives are left
// out; an unreadable drive counts zero; the summary converts the sum of the bytes.
TEST(Drives, ListsKindsAndSizesInLetterOrder) {
  for (bool hasEx : {true, false}) {
    auto build = [&](sim::MachineBuilder&, sim::Facts& f) {
      f.drives = {};
      const UINT types[] = {DRIVE_REMOVABLE, DRIVE_NO_ROOT_DIR, DRIVE_FIXED,
                            DRIVE_CDROM,     DRIVE_FIXED,       DRIVE_UNKNOWN,
                            DRIVE_FIXED,     DRIVE_RAMDISK,     DRIVE_REMOTE};
      for (size_t i = 0; i < 9; ++i) f.drives[i] = MakeDrive(types[i], 3 * kMb / 2, kMb / 2);
      f.drives[6].sizeReadable = false;
      f.hasGetDiskFreeSpaceEx = hasEx;
    };
    EXPECT_EQ(On(build, &CHwFetcher::GetDrives), "A:RM C:1M/0M D:CD E:1M/0M G:0M/0M (TOTAL:3M/1M)");
  }
}

// The newer call when present, else cluster counts multiplied in 64 bits; the longest entries
// fill their areas.
TEST(Drives, MeasuresWithTheNewerCallOrIn64BitClusterArithmetic) {
  for (bool hasEx : {true, false}) {
    auto build = [&](sim::MachineBuilder&, sim::Facts& f) {
      for (sim::Drive& drive : f.drives) {
        drive = MakeDrive(DRIVE_FIXED, 300 * kMb, 200 * kMb);
        drive.sectorsPerCluster = 64;
        drive.bytesPerSector = 4096;
        drive.totalClusters = 0xFFFFFFFFu;
        drive.freeClusters = 0x80000000u;
      }
      f.hasGetDiskFreeSpaceEx = hasEx;
    };
    const std::string text = On(build, &CHwFetcher::GetDrives);
    EXPECT_EQ(text.substr(0, 25),
              hasEx ? "A:300M/200M B:300M/200M C" : "A:1073741823M/536870912M ");
    EXPECT_EQ(text.substr(text.rfind('(')),
              hasEx ? "(TOTAL:7800M/5200M)" : "(TOTAL:27917287417M/13958643712M)");
  }
}

TEST(BaseFetcher, DeviceSlotsAnswerFalse) {
  CHwFetcher base;
  char area[8] = "kept";
  EXPECT_FALSE(base.GetDevicesOfClass("net", area, 7));
  for (Slot slot : {&CHwFetcher::GetMonitor, &CHwFetcher::GetMouse, &CHwFetcher::GetKeyboard,
                    &CHwFetcher::GetCdrom, &CHwFetcher::GetMedia, &CHwFetcher::GetModem,
                    &CHwFetcher::GetVideo, &CHwFetcher::GetDefaultPrinter, &CHwFetcher::GetScsi,
                    &CHwFetcher::GetNetwork, &CHwFetcher::GetUsb})
    EXPECT_FALSE((base.*slot)(area, 7));
  EXPECT_STREQ(area, "kept");
}

}  // namespace
