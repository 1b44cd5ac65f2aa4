// Values exactly at, one under and one over every length the program offers for them, values
// stored without their terminator, numbers or bytes where text is expected, and empty ones.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/robust/hostile_machine.h"

namespace robust {
namespace {

const char kSoftwareOnly[] = "/software /out:\"C:\\out\\report.xml\"";
const char kDeviceOnly[] = "/device /out:\"C:\\out\\report.xml\"";

std::string Cut(const std::string& text, size_t capacity) { return text.substr(0, capacity); }

TEST(HostileLengths, DisplayNamesAroundTheirOfferedLengthOf1024Bytes) {
  HostileMachine m;
  struct Entry {
    const char* key;
    sim::Bytes name;
    bool listed;
  } entries[] = {
      {"Name1022", Sz(Filler("Name1022-", 1022)), true},
      {"Name1023", Sz(Filler("Name1023-", 1023)), true},   // 1024 bytes with the terminator
      {"Name1024", Sz(Filler("Name1024-", 1024)), false},  // 1025 bytes: absent
      {"Bare1024", Bare(Filler("Bare1024-", 1024)), true},
      {"Bare1025", Bare(Filler("Bare1025-", 1025)), false},
  };
  for (const Entry& e : entries)
    m.builder().Key(kUninstall + std::string(e.key)).Raw("DisplayName", REG_SZ, e.name);
  // Two entries whose names are empty: one holds just a terminator, one no byte at all.
  m.builder().Key(kUninstall + std::string("EmptyName")).Raw("DisplayName", REG_SZ, Sz(""));
  m.builder().String("DisplayVersion", "terminator only");
  m.builder().Key(kUninstall + std::string("NoBytes")).Raw("DisplayName", REG_SZ, {});
  m.builder().String("DisplayVersion", "no bytes");
  // Only the default value: no display name, no product.
  m.builder().Key(kUninstall + std::string("DefaultOnly")).String("", "Not a display name");

  Report report = m.Run(kSoftwareOnly);
  ExpectProducts(report, 5, 0, 0);
  for (const Entry& e : entries) {
    if (!e.listed) continue;
    std::string name(e.name.begin(), e.name.end());
    report.Product(Cut(name.c_str(), 256));
  }
  int empty = 0;
  for (const Installed& product : report.Software()) {
    if (product.fields.at("name").empty()) ++empty;
  }
  EXPECT_EQ(2, empty);
}

// A line of several kilobytes is one record however its markers fall: the fields that
// lie beyond what the parser looks at stay empty, and no phantom product appears.
TEST(HostileLengths, EveryTextValueOfAnEntryAtItsOfferedLength) {
  HostileMachine m;
  const char* const kTextValues[] = {"DisplayVersion", "Publisher", "InstallLocation", "RegCompany",
                                     "RegOwner",       "ProductID", "InstallDate"};
  m.builder().Key(kUninstall + std::string("Full")).String("DisplayName", "All values full");
  for (const char* value : kTextValues) m.builder().Raw(value, REG_SZ, Sz(Filler(value, 1023)));
  m.builder().Dword("EstimatedSize", 7);
  m.builder().Key(kUninstall + std::string("Over")).String("DisplayName", "All values over");
  for (const char* value : kTextValues) m.builder().Raw(value, REG_SZ, Sz(Filler(value, 1024)));
  m.builder().Dword("EstimatedSize", 7);

  Report report = m.Run(kSoftwareOnly);
  ExpectProducts(report, 2, 0, 0);
  Installed full = report.Product("All values full");
  for (const auto& field : full.fields) {
    if (field.first == "name") continue;
    EXPECT_EQ("", field.second) << field.first;
  }
  Installed over = report.Product("All values over");
  for (const auto& field : over.fields) {
    if (field.first == "name") continue;
    EXPECT_EQ(field.first == "size" ? "7" : "", field.second) << field.first;
  }
}

TEST(HostileLengths, RecordFieldsAroundTheirCapacities) {
  struct Field {
    const char* value;
    const char* element;
    size_t capacity;
  } fields[] = {
      {"DisplayVersion", "version", 30},    {"Publisher", "publisher", 80},
      {"InstallLocation", "location", 256}, {"RegCompany", "registeredCompany", 80},
      {"RegOwner", "registeredOwner", 80},  {"ProductID", "productId", 80},
      {"InstallDate", "installDate", 20},
  };
  HostileMachine m;
  for (const Field& f : fields) {
    for (size_t length = f.capacity - 1; length <= f.capacity + 1; ++length) {
      std::string name = std::string(f.value) + " " + std::to_string(length);
      m.builder().Key(kUninstall + name).String("DisplayName", name);
      m.builder().Raw(f.value, REG_SZ, Sz(Filler(f.value, length)));
    }
    std::string bare = std::string(f.value) + " bare";
    m.builder().Key(kUninstall + bare).String("DisplayName", bare);
    m.builder().Raw(f.value, REG_SZ, Bare(Filler(f.value, f.capacity)));
  }
  for (size_t length = 255; length <= 257; ++length) {
    m.builder().Key(kUninstall + std::string("Name") + std::to_string(length));
    m.builder().String("DisplayName", Filler("Name" + std::to_string(length) + "-", length));
  }

  Report report = m.Run(kSoftwareOnly);
  ExpectProducts(report, 7 * 4 + 3, 0, 0);
  for (const Field& f : fields) {
    for (size_t length = f.capacity - 1; length <= f.capacity + 1; ++length) {
      std::string name = std::string(f.value) + " " + std::to_string(length);
      EXPECT_EQ(Cut(Filler(f.value, length), f.capacity), report.Product(name).fields[f.element])
          << name;
    }
    EXPECT_EQ(Filler(f.value, f.capacity),
              report.Product(std::string(f.value) + " bare").fields[f.element]);
  }
  for (size_t length = 255; length <= 257; ++length)
    report.Product(Cut(Filler("Name" + std::to_string(length) + "-", length), 256));
}

// The type of a value is never looked at: its bytes are text up to the first zero byte, or a
// number when they fit in four bytes.
TEST(HostileLengths, NumbersAndBytesWhereTextIsExpected) {
  HostileMachine m;
  m.builder().Key(kUninstall + std::string("Dword")).Dword("DisplayName", 0x00434241);  // "ABC"
  m.builder()
      .Key(kUninstall + std::string("Binary"))
      .Raw("DisplayName", REG_BINARY, Bare(std::string("Bin\0X", 5)));
  m.builder()
      .Key(kUninstall + std::string("Multi"))
      .Raw("DisplayName", REG_MULTI_SZ, Bare(std::string("First\0Second\0\0", 14)));
  m.builder()
      .Key(kUninstall + std::string("Expand"))
      .Raw("DisplayName", REG_EXPAND_SZ, Sz("%ProgramFiles%\\Tool"));
  m.builder().Key(kUninstall + std::string("Numbers")).String("DisplayName", "Numbers as text");
  m.builder().String("SystemComponent", "1").String("EstimatedSize", "12");
  m.builder().Key(kUninstall + std::string("Wide")).String("DisplayName", "Wide numbers");
  m.builder().Raw("EstimatedSize", REG_QWORD, Bare(std::string("\x0c\0\0\0\0\0\0\0", 8)));
  m.builder().Raw("SystemComponent", REG_QWORD, Bare(std::string("\x01\0\0\0\0\0\0\0", 8)));
  m.builder().Key(kUninstall + std::string("Narrow")).String("DisplayName", "Narrow numbers");
  m.builder().Raw("SystemComponent", REG_BINARY, {1});
  m.builder().Raw("EstimatedSize", REG_BINARY, {0xFF, 0xFF, 0xFF, 0xFF});

  Report report = m.Run(kSoftwareOnly);
  ExpectProducts(report, 6, 0, 1);
  report.Product("ABC");
  report.Product("Bin");
  report.Product("First");
  report.Product("%ProgramFiles%\\Tool");
  EXPECT_EQ("12849", report.Product("Numbers as text").fields["size"]);  // "12" and its zero
  EXPECT_EQ("application", report.Product("Numbers as text").type);
  EXPECT_EQ("", report.Product("Wide numbers").fields["size"]);
  EXPECT_EQ("application", report.Product("Wide numbers").type);
  EXPECT_EQ("component", report.Product("Narrow numbers").type);
  EXPECT_EQ("-1", report.Product("Narrow numbers").fields["size"]);
}

// A machine whose device values sit at the lengths the walks offer: 512 bytes for instance
// paths, classes, names and locations, 4096 for the service walk's and the monitors'
// descriptions and for processor values.
class HostileDeviceLengths : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::MachineBuilder& b = m_.builder();
    // Class walk, by friendly name or description.
    b.Key(kServices + std::string("lenvga\\Enum"))
        .String("0", "PCI\\LEN0")
        .String("1", "PCI\\LEN1")
        .String("2", "PCI\\LEN2")
        .String("3", "PCI\\LEN3");
    b.Key(kEnum + std::string("PCI\\LEN0")).String("Class", "Display");
    b.Raw("FriendlyName", REG_SZ, Sz(Filler("FN511-", 511)));
    b.Key(kEnum + std::string("PCI\\LEN1")).String("Class", "DISPLAY");
    b.Raw("FriendlyName", REG_SZ, Sz(Filler("FN512-", 512))).String("DeviceDesc", "Fallback");
    b.Key(kEnum + std::string("PCI\\LEN2")).String("Class", "display");
    b.Raw("FriendlyName", REG_SZ, Bare(Filler("FNbare512-", 512)));
    b.Key(kEnum + std::string("PCI\\LEN3"))
        .Raw("Class", REG_SZ, Sz("display" + std::string(505, ' ')));
    b.String("FriendlyName", "Class too long");

    // Instance paths: the key path "SYSTEM\CurrentControlSet\Enum\" + path holds 512
    // characters for a path of 482. Longer paths are skipped, and the keys their cut forms
    // would name must stay unread.
    b.Key(kServices + std::string("lenpaths\\Enum"))
        .String("0", Path("A", 482))
        .String("1", Path("B", 483))
        .String("2", Path("C", 511))
        .String("3", Path("D", 600));
    b.Key(kEnum + Path("A", 482)).String("Class", "media").String("FriendlyName", "Path 482");
    b.Key(kEnum + Path("B", 483)).String("Class", "media").String("FriendlyName", "Path 483");
    b.Key(kEnum + Path("B", 483).substr(0, 482))
        .String("Class", "media")
        .String("FriendlyName", "Cut 483");
    b.Key(kEnum + Path("C", 511).substr(0, 482))
        .String("Class", "media")
        .String("FriendlyName", "Cut 511");
    b.Key(kEnum + Path("D", 600).substr(0, 482))
        .String("Class", "media")
        .String("FriendlyName", "Cut 600");
    b.Key(kEnum + Path("D", 600).substr(0, 512))
        .String("Class", "media")
        .String("FriendlyName", "Cut 600 value");

    // Network adapters count only with a readable location.
    b.Key(kServices + std::string("lennet\\Enum"))
        .String("0", "PCI\\NET0")
        .String("1", "PCI\\NET1");
    b.Key(kEnum + std::string("PCI\\NET0"))
        .String("Class", "net")
        .String("FriendlyName", "Net 511");
    b.Raw("LocationInformation", REG_SZ, Sz(Filler("Loc511-", 511)));
    b.Key(kEnum + std::string("PCI\\NET1"))
        .String("Class", "net")
        .String("FriendlyName", "Net 512");
    b.Raw("LocationInformation", REG_SZ, Sz(Filler("Loc512-", 512)));

    // Service walk: descriptions up to 4096 bytes.
    b.Key(kServices + std::string("Mouclass\\Enum")).String("0", "ACPI\\MOU0");
    b.Key(kEnum + std::string("ACPI\\MOU0")).Raw("DeviceDesc", REG_SZ, Sz(Filler("MD4095-", 4095)));
    b.Key(kServices + std::string("Kbdclass\\Enum"))
        .String("0", "ACPI\\KBD0")
        .String("1", "ACPI\\KBD1");
    b.Key(kEnum + std::string("ACPI\\KBD0")).Raw("DeviceDesc", REG_SZ, Sz(Filler("KD4096-", 4096)));
    b.Key(kEnum + std::string("ACPI\\KBD1")).String("DeviceDesc", "Keyboard after the long one");
    b.Key(kServices + std::string("Modem\\Enum")).String("0", "MDM\\0");
    b.Key(kEnum + std::string("MDM\\0")).Raw("DeviceDesc", REG_SZ, Bare(Filler("MB4096-", 4096)));

    // Monitors of the first model: descriptions up to 4096 bytes.
    b.Key(kEnum + std::string("DISPLAY\\MON1234\\inst0")).String("DeviceDesc", "Monitor Zero");
    b.Key(kEnum + std::string("DISPLAY\\MON1234\\inst1"))
        .Raw("DeviceDesc", REG_SZ, Sz(Filler("Mon4096-", 4096)));
    b.Key(kEnum + std::string("DISPLAY\\MON1234\\inst2"))
        .Raw("DeviceDesc", REG_SZ, Sz(Filler("Mon4095-", 4095)));

    // SCSI units: identifiers up to 512 bytes, a type stored without its terminator.
    b.Key(Unit(0))
        .String("Type", "CdRomPeripheral")
        .Raw("Identifier", REG_SZ, Sz(Filler("Id511-", 511)));
    b.Key(Unit(1))
        .String("Type", "CdRomPeripheral")
        .Raw("Identifier", REG_SZ, Sz(Filler("Id512-", 512)));
    b.Key(Unit(2)).Raw("Type", REG_SZ, Bare("CDROMPERIPHERAL")).String("Identifier", "Bare type");

    // Processors: values up to 4096 bytes, clocks of odd sizes.
    b.Key(kProcessors + std::string("0")).String("Identifier", "Two byte clock");
    b.Raw("~MHz", REG_BINARY, {0x60, 0x09});
    b.Key(kProcessors + std::string("1"))
        .Raw("ProcessorNameString", REG_SZ, Sz(Filler("PN4096-", 4096)));
    b.Raw("Identifier", REG_SZ, Sz(Filler("Id600-", 600))).String("~MHz", "2400");
    b.Key(kProcessors + std::string("2"))
        .Raw("VendorIdentifier", REG_SZ, Bare(Filler("VI4096-", 4096)));
    b.Key(kProcessors + std::string("3"))
        .Raw("ProcessorNameString", REG_SZ, Sz(Filler("PN4095-", 4095)));

    b.With([](sim::Facts& f) {
      f.hasDefaultPrinter = true;
      f.defaultPrinter.name = Filler("Printer4095-", 4095);
    });
  }

  // An instance path of `length` characters in components of at most 200 (key names on
  // Windows hold at most 255).
  static std::string Path(const std::string& tag, size_t length) {
    std::string path = Filler("ROOT\\" + tag, length);
    for (size_t at = 200; at < length; at += 200) path[at] = '\\';
    return path;
  }
  static std::string Unit(int target) {
    return kScsiMap + std::string("Scsi Port 0\\Scsi Bus 0\\Target Id ") + std::to_string(target) +
           "\\Logical Unit Id 0";
  }

  HostileMachine m_;
};

TEST_F(HostileDeviceLengths, ValuesAtTheOfferedLengthsAreReadAndLongerOnesSkipped) {
  Report report = m_.Run(kDeviceOnly);
  EXPECT_EQ(Filler("FN511-", 511) + ";Fallback;" + Filler("FNbare512-", 512),
            report.Value("video"));
  EXPECT_EQ("Path 482", report.Value("media"));
  EXPECT_EQ("Net 511", report.Value("network"));
  EXPECT_EQ(Filler("MD4095-", 2048), report.Value("mouse"));
  EXPECT_EQ("Keyboard after the long one", report.Value("keyboard"));
  EXPECT_EQ(Filler("MB4096-", 2048), report.Value("modem"));
  EXPECT_EQ(Cut("Monitor Zero;" + Filler("Mon4095-", 4095), 2048), report.Value("monitor"));
  EXPECT_EQ(Filler("Id511-", 511) + ";Bare type", report.Value("cdrom"));
  EXPECT_EQ(
      Cut("Two byte clock 2400 Mhz;" + Filler("Id600-", 512) + ";" + Filler("VI4096-", 4096), 2048),
      report.Value("cpu"));
  EXPECT_EQ(Filler("Printer4095-", 2048), report.Value("defaultPrinter"));
}

TEST_F(HostileDeviceLengths, ThePrinterNameThatDoesNotFitGivesAnEmptyElement) {
  m_.machine().facts.defaultPrinter.name = Filler("Printer4096-", 4096);
  EXPECT_EQ("", m_.Run(kDeviceOnly).Value("defaultPrinter"));
}

TEST_F(HostileDeviceLengths, OnVistaTheSameWalksReduceAndSkipAlike) {
  m_.builder().With([](sim::Facts& f) {
    f.majorVersion = 6;
    f.minorVersion = 0;
    f.hasGetProductInfo = true;
    f.productInfoType = 1;
  });
  Report report = m_.Run(kDeviceOnly);
  EXPECT_EQ(Filler("FN511-", 511) + ";Fallback;" + Filler("FNbare512-", 512),
            report.Value("video"));
  EXPECT_EQ("Path 482", report.Value("media"));
  EXPECT_EQ(Filler("MD4095-", 2048), report.Value("mouse"));
  EXPECT_EQ("", report.Value("cdrom"));  // by class on Vista: no unit of class cdrom
}

// The output path has room for 511 characters; a longer one is ignored whole and the report
// goes to the default place, never to a cut path.
TEST(HostileLengths, OutputPathsAroundTheirCapacity) {
  const std::string first = Filler("first-", 200), second = Filler("second-", 200);
  for (size_t length = 510; length <= 512; ++length) {
    SCOPED_TRACE(length);
    HostileMachine m;
    m.folder().MakeFolder("out/" + first + "/" + second);
    std::string folder = "C:\\out\\" + first + "\\" + second + "\\";
    std::string name = Filler("r", length - folder.size() - 4) + ".xml";
    ASSERT_EQ(length, folder.size() + name.size());
    m.Run("/software /out:\"" + folder + name + "\"");
    if (length < 512) {
      EXPECT_EQ("out/" + first + "/" + second + "/" + name, m.lastReportPath());
    } else {
      EXPECT_EQ("sorvik/10.9.8.7;ROBUST-PC;tester.xml", m.lastReportPath());
    }
  }
}

// An escaped value has 4096 characters of room: one dense in special characters ends before
// the first entity that would not fit whole.
TEST(HostileLengths, EscapedValuesThatOutgrowTheirArea) {
  HostileMachine m;
  std::string pairs;
  for (int i = 0; i < 1024; ++i) pairs += "a<";
  m.builder().Key(kServices + std::string("Mouclass\\Enum")).String("0", "ACPI\\AMP");
  m.builder().Key(kEnum + std::string("ACPI\\AMP")).String("DeviceDesc", std::string(4095, '&'));
  m.builder().Key(kServices + std::string("Kbdclass\\Enum")).String("0", "ACPI\\LT");
  m.builder().Key(kEnum + std::string("ACPI\\LT")).String("DeviceDesc", pairs);
  m.builder().Key(kUninstall + std::string("Greater")).String("DisplayName", std::string(300, '>'));
  m.builder().With([](sim::Facts& f) { f.computerName = std::string(511, '"'); });

  Report report = m.Run();
  EXPECT_EQ(std::string(819, '&'), report.Value("mouse"));  // 819 * 5 = 4095
  EXPECT_EQ(pairs.substr(0, 2 * 819 + 1), report.Value("keyboard"));
  EXPECT_EQ(std::string(511, '"'), report.Value("computerName"));
  ExpectProducts(report, 1, 0, 0);
  report.Product(std::string(256, '>'));
}

// Each case changes one fact or value of the computer section and names what the element
// then holds.
TEST(HostileLengths, ComputerSectionValuesAroundTheirLengths) {
  const std::string productIdPath = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::string optionsPath = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
  auto nt4 = [](sim::Facts& f) {
    f.majorVersion = 4;
    f.minorVersion = 0;
    f.extendedVersionWorks = false;
    f.csdVersion = "Service Pack 6";
  };
  struct Case {
    const char* what;
    std::function<void(sim::MachineBuilder&)> change;
    const char* element;
    std::string expected;
  } cases[] = {
      {"product id of 511",
       [&](sim::MachineBuilder& b) {
         b.Key(productIdPath).Raw("ProductId", REG_SZ, Sz(Filler("P-", 511)));
       },
       "productId", Filler("P-", 511)},
      {"product id of 512",
       [&](sim::MachineBuilder& b) {
         b.Key(productIdPath).Raw("ProductId", REG_SZ, Sz(Filler("P-", 512)));
       },
       "productId", ""},
      {"bare product id of 512",
       [&](sim::MachineBuilder& b) {
         b.Key(productIdPath).Raw("ProductId", REG_SZ, Bare(Filler("P-", 512)));
       },
       "productId", Filler("P-", 512)},
      {"product type in 80 bytes",
       [&](sim::MachineBuilder& b) {
         b.With(nt4)
             .Key(optionsPath)
             .Raw("ProductType", REG_SZ, Bare("WinNT" + std::string(75, '\0')));
       },
       "fullName", "Windows NT Workstation 4.0 Service Pack 6"},
      {"product type in 81 bytes",
       [&](sim::MachineBuilder& b) {
         b.With(nt4)
             .Key(optionsPath)
             .Raw("ProductType", REG_SZ, Bare("WinNT" + std::string(76, '\0')));
       },
       "fullName", ""},
      {"service pack text of 200",
       [](sim::MachineBuilder& b) {
         b.With([](sim::Facts& f) { f.csdVersion = Filler("SP-", 200); });
       },
       "csdVersion", Filler("SP-", 127)},
      {"computer name of 511",
       [](sim::MachineBuilder& b) {
         b.With([](sim::Facts& f) { f.computerName = Filler("PC-", 511); });
       },
       "computerName", Filler("PC-", 511)},
      {"computer name of 512",
       [](sim::MachineBuilder& b) {
         b.With([](sim::Facts& f) { f.computerName = Filler("PC-", 512); });
       },
       "computerName", ""},
      {"user name of 511",
       [](sim::MachineBuilder& b) {
         b.With([](sim::Facts& f) { f.userName = Filler("U-", 511); });
       },
       "userName", Filler("U-", 511)},
      {"user name of 512",
       [](sim::MachineBuilder& b) {
         b.With([](sim::Facts& f) { f.userName = Filler("U-", 512); });
       },
       "userName", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostileMachine m;
    c.change(m.builder());
    EXPECT_EQ(c.expected, m.Run(kSoftwareOnly).Value(c.element));
  }
}

// Servicing packages on Vista: texts offered 512 bytes, numbers offered four.
TEST(HostileLengths, ServicingPackageValuesAroundTheirOfferedLengths) {
  HostileMachine m;
  m.builder().With([](sim::Facts& f) {
    f.majorVersion = 6;
    f.minorVersion = 0;
  });
  auto package = [&](const std::string& name) -> sim::MachineBuilder& {
    return m.builder()
        .Key(kPackages + name)
        .String("InstallClient", "WindowsUpdateAgent")
        .Dword("CurrentState", 7)
        .Dword("Visibility", 1);
  };
  package("Package_for_KB100001~31bf3856ad364e35~x86~~6.0.1.0")
      .Raw("InstallLocation", REG_SZ, Sz(Filler("L511-", 511)));
  package("Package_for_KB100002~31bf3856ad364e35~x86~~6.0.1.0")
      .Raw("InstallLocation", REG_SZ, Sz(Filler("L512-", 512)));
  package("Package_for_KB100003~31bf3856ad364e35~x86~~6.0.1.0")
      .Raw("InstallClient", REG_SZ, Bare("windowsupdateagent" + std::string(494, '\0')));
  package("Package_for_KB100004~31bf3856ad364e35~x86~~6.0.1.0")
      .Raw("InstallClient", REG_SZ, Bare("windowsupdateagent" + std::string(495, '\0')));
  package("Package_for_KB100005~31bf3856ad364e35~x86~~6.0.1.0").String("CurrentState", "7");
  package("Package_for_KB100006~31bf3856ad364e35~x86~~6.0.1.0")
      .Dword("InstallTimeHigh", 0x80000000u)
      .Dword("InstallTimeLow", 0);
  std::string longName = Filler("LongPackage", 230);
  package("Package_for_" + longName + "~x86~~1.0");

  Report report = m.Run(kSoftwareOnly);
  ExpectProducts(report, 1, 4, 0);
  EXPECT_EQ(Filler("L511-", 256), report.Product("KB100001").fields["location"]);
  EXPECT_EQ("", report.Product("KB100002").fields["location"]);
  EXPECT_EQ("Microsoft Corporation", report.Product("KB100003").fields["publisher"]);
  EXPECT_EQ("", report.Product("KB100006").fields["installDate"]);
  EXPECT_EQ("1.0", report.Product(longName).fields["version"]);
}

}  // namespace
}  // namespace robust
