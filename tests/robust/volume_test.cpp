// A machine far larger than the program's fixed areas: 10,000 uninstall entries (2,500
// distinct products), 3,000 services with three subkeys each, 200 SCSI units, 50 processors
// and 26 drives. Generated here, never committed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/robust/hostile_machine.h"

namespace robust {
namespace {

const int kEntries = 10000;
const int kProducts = 2500;  // entry i is product i % kProducts
const int kServiceCount = 3000;
const char* const kClasses[] = {"net", "Display", "media", "USB", "SCSIAdapter", "System"};
const int kClassCount = 6;

std::string Format(const char* format, int a, int b = 0, int c = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

bool IsComponent(int product) { return product % 10 == 0; }
bool IsUpdate(int product) { return product % 10 == 1; }

std::string ProductName(int product) {
  return IsUpdate(product) ? Format("Security Update for Large (KB%06d)", product)
                           : Format("Large Product %04d", product);
}

// Every entry of a product carries the same values, so the copies collapse into one record;
// one entry in seven has no display name and gives no record at all.
void AddUninstallEntries(sim::MachineBuilder& b) {
  for (int i = 0; i < kEntries; ++i) {
    int product = i % kProducts;
    b.Key(kUninstall + Format("{%08X-LARGE-%05d}", i * 7919, i));
    if (i % 7 != 0) b.String("DisplayName", ProductName(product));
    b.String("DisplayVersion", Format("1.%d", product));
    b.String("Publisher",
             IsUpdate(product) ? "Microsoft Corporation" : Format("Large Soft %d", product % 13));
    b.String("InstallDate", Format("2007%02d%02d", product % 12 + 1, product % 28 + 1));
    b.Dword("EstimatedSize", static_cast<DWORD>(product * 3));
    if (IsComponent(product)) b.Dword("SystemComponent", 1);
  }
}

// Service k enumerates device k, of class kClasses[k % 6]; half of the network adapters have
// a bus location. The other two subkeys name instances that do not exist or hold no paths.
void AddServices(sim::MachineBuilder& b) {
  for (int k = 0; k < kServiceCount; ++k) {
    std::string service = kServices + Format("LargeSvc%04d", k);
    b.Key(service + "\\Enum").String("0", Format("ROOT\\LARGE\\%04d", k)).Dword("Count", 1);
    b.Key(service + "\\Parameters").String("0", Format("ROOT\\NOWHERE\\%04d", k));
    b.Key(service + "\\Security").Raw("Security", REG_BINARY, {1, 0, 4, 0x80});
    b.Key(kEnum + Format("ROOT\\LARGE\\%04d", k))
        .String("Class", kClasses[k % kClassCount])
        .String("FriendlyName", Format("Large device %04d", k));
    if (k % (2 * kClassCount) == 0) b.String("LocationInformation", "PCI bus 1");
  }
  b.Key(kServices + std::string("Mouclass\\Enum"));
  for (int i = 0; i < 5; ++i) b.String(std::to_string(i), Format("ACPI\\PNP0F13\\%d", i));
  for (int i = 0; i < 5; ++i)
    b.Key(kEnum + Format("ACPI\\PNP0F13\\%d", i)).String("DeviceDesc", Format("Mouse %d", i));
}

// What the class walk lists for a class: the devices of the services in order, joined, cut
// to the 2048 characters of the element.
std::string ExpectedClassList(int classIndex) {
  std::string joined;
  for (int k = classIndex; k < kServiceCount; k += kClassCount) {
    if (classIndex == 0 && k % (2 * kClassCount) != 0) continue;
    if (!joined.empty()) joined += ";";
    joined += Format("Large device %04d", k);
  }
  return joined.substr(0, 2048);
}

void AddScsiUnits(sim::MachineBuilder& b) {
  auto unit = [&](int port, int bus, int target, int lun) -> sim::MachineBuilder& {
    return b.Key(kScsiMap + Format("Scsi Port %d\\Scsi Bus %d\\Target Id %d", port, bus, target) +
                 Format("\\Logical Unit Id %d", lun));
  };
  for (int port = 0; port < 2; ++port) {
    for (int bus = 0; bus < 10; ++bus) {
      for (int target = 0; target < 10; ++target) {
        unit(port, bus, target, 0)
            .String("Type", "CdRomPeripheral")
            .String("Identifier", Format("CD P%dB%dT%d", port, bus, target));
        if (target % 3 == 0) {
          unit(port, bus, target, 1).String("Type", "DiskPeripheral").String("Identifier", "Disk");
        }
      }
    }
  }
  // Addresses of 10 and above are never looked at.
  unit(10, 0, 0, 0).String("Type", "CdRomPeripheral").String("Identifier", "Port ten");
  unit(0, 0, 0, 10).String("Type", "CdRomPeripheral").String("Identifier", "Unit ten");
}

std::string ExpectedCdroms() {
  std::string joined;
  for (int port = 0; port < 2; ++port)
    for (int bus = 0; bus < 10; ++bus)
      for (int target = 0; target < 10; ++target)
        joined += (joined.empty() ? "" : ";") + Format("CD P%dB%dT%d", port, bus, target);
  return joined;
}

void AddProcessors(sim::MachineBuilder& b) {
  for (int i = 0; i < 50; ++i) {
    b.Key(kProcessors + std::to_string(i))
        .String("ProcessorNameString", Format("  Large   CPU %02d  ", i));
  }
}

struct DriveKind {
  UINT type;
  bool sizeReadable;
};

// A to Z, every kind of drive; the fixed ones of several terabytes.
DriveKind DriveOf(int index) {
  static const UINT kKinds[] = {DRIVE_FIXED,  DRIVE_CDROM,   DRIVE_REMOVABLE,
                                DRIVE_REMOTE, DRIVE_RAMDISK, DRIVE_UNKNOWN};
  if (index < 2) return {DRIVE_REMOVABLE, true};
  if (index == 2) return {DRIVE_FIXED, true};
  if (index == 3) return {DRIVE_CDROM, true};
  return {kKinds[(index - 4) % 6], index != 10};
}

ULONGLONG TotalOf(int index) { return (static_cast<ULONGLONG>(index) + 1) << 40; }
ULONGLONG FreeOf(int index) { return (static_cast<ULONGLONG>(index) << 30) + 123; }

void AddDrives(sim::Facts& f) {
  for (int i = 0; i < 26; ++i) {
    DriveKind kind = DriveOf(i);
    f.drives[i].type = kind.type;
    f.drives[i].sizeReadable = kind.sizeReadable;
    f.drives[i].totalBytes = TotalOf(i);
    f.drives[i].freeBytes = FreeOf(i);
  }
}

void BuildLargeMachine(HostileMachine& m) {
  AddUninstallEntries(m.builder());
  AddServices(m.builder());
  AddScsiUnits(m.builder());
  AddProcessors(m.builder());
  m.builder().With(AddDrives);
}

void ExpectLargeDevices(const Report& report) {
  EXPECT_EQ(" Large CPU 00 ; Large CPU 01 ; Large CPU 02 ; Large CPU 03 ", report.Value("cpu"));
  EXPECT_EQ(ExpectedClassList(0), report.Value("network"));
  EXPECT_EQ(ExpectedClassList(1), report.Value("video"));
  EXPECT_EQ(ExpectedClassList(2), report.Value("media"));
  EXPECT_EQ(ExpectedClassList(3), report.Value("usb"));
  EXPECT_EQ(ExpectedClassList(4), report.Value("scsi"));
  EXPECT_EQ("Mouse 0;Mouse 1;Mouse 2;Mouse 3", report.Value("mouse"));

  // Every removable, fixed and CD drive has its line; the sums are of the readable fixed ones.
  ULONGLONG total = 0, free = 0;
  int lines = 0;
  for (int i = 0; i < 26; ++i) {
    DriveKind kind = DriveOf(i);
    std::string letter(1, static_cast<char>('A' + i));
    std::string line;
    if (kind.type == DRIVE_REMOVABLE)
      line = "<drive type=\"removable\" letter=\"" + letter + "\" />";
    if (kind.type == DRIVE_CDROM) line = "<drive type=\"cd\" letter=\"" + letter + "\" />";
    if (kind.type == DRIVE_FIXED) {
      ULONGLONG t = kind.sizeReadable ? TotalOf(i) : 0, f = kind.sizeReadable ? FreeOf(i) : 0;
      total += t;
      free += f;
      line = "<drive type=\"fixed\" letter=\"" + letter + "\" totalSpaceMb=\"" +
             std::to_string(t >> 20) + "\" availableSpaceMb=\"" + std::to_string(f >> 20) + "\" />";
    }
    if (line.empty()) continue;
    ++lines;
    EXPECT_NE(std::string::npos, report.bytes().find("\t\t" + line + "\r\n")) << line;
  }
  size_t written = 0;
  for (size_t at = report.bytes().find("<drive "); at != std::string::npos;
       at = report.bytes().find("<drive ", at + 1))
    ++written;
  EXPECT_EQ(static_cast<size_t>(lines), written);
  EXPECT_NE(std::string::npos,
            report.bytes().find("<disk totalSpaceMb=\"" + std::to_string(total >> 20) +
                                "\" availableSpaceMb=\"" + std::to_string(free >> 20) + "\">"));
}

TEST(HostileVolume, TheLargeMachineOnXp) {
  HostileMachine m;
  BuildLargeMachine(m);
  Report report = m.Run("");
  ExpectProducts(report, kProducts - 500, 250, 250);
  std::vector<Installed> products = report.Software();
  ASSERT_EQ(static_cast<size_t>(kProducts), products.size());
  EXPECT_EQ("update", report.Product("Security Update for Large (KB002491)").type);
  EXPECT_EQ("7476", report.Product("Large Product 2492").fields["size"]);
  ExpectLargeDevices(report);
  EXPECT_EQ(ExpectedCdroms(), report.Value("cdrom"));
}

// Memory and drive sizes at the ends of their ranges.
TEST(HostileVolume, TheLargestMemoryAndDriveSizes) {
  struct Case {
    const char* what;
    bool memoryStatusEx;
    ULONGLONG memory;
    const char* ramMb;
  } cases[] = {
      {"all 64 bits of memory", true, ~0ull, "2147483647"},
      {"4 GB less one byte, without the extended call", false, (4ull << 30) - 1, "4096"},
      {"no memory", true, 0, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostileMachine m;
    m.builder().With([&](sim::Facts& f) {
      f.hasGlobalMemoryStatusEx = c.memoryStatusEx;
      f.totalPhysBytes = c.memory;
      f.drives['C' - 'A'].totalBytes = ~0ull;
      f.drives['C' - 'A'].freeBytes = ~0ull;
    });
    Report report = m.Run("/device");
    EXPECT_EQ(c.ramMb, report.Value("ramMb"));
    const std::string megabytes = std::to_string(~0ull >> 20);
    EXPECT_NE(std::string::npos, report.bytes().find("<disk totalSpaceMb=\"" + megabytes +
                                                     "\" availableSpaceMb=\"" + megabytes + "\">"));
  }
}

// On Vista the software scan adds the servicing store: 3,000 packages, every third of them
// qualifying, beside the same 10,000 uninstall entries. (The Vista device walks differ from
// the XP ones only in what the smaller machines test.)
TEST(HostileVolume, TheLargeSoftwareListOnVista) {
  HostileMachine m;
  AddUninstallEntries(m.builder());
  m.builder().With([](sim::Facts& f) {
    f.majorVersion = 6;
    f.minorVersion = 0;
  });
  for (int i = 0; i < 3000; ++i) {
    m.builder()
        .Key(kPackages + Format("Package_for_KB%06d~31bf3856ad364e35~x86~~6.0.%d.0", 200000 + i, i))
        .String("InstallClient", i % 3 == 0 ? "WindowsUpdateAgent" : "CBS")
        .Dword("CurrentState", 7)
        .Dword("Visibility", 1);
  }
  Report report = m.Run("/software");
  ExpectProducts(report, kProducts - 500, 250 + 1000, 250);
  EXPECT_EQ("6.0.2997.0", report.Product("KB202997").fields["version"]);
}

}  // namespace
}  // namespace robust
