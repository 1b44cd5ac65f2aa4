// Every byte from 0x01 to 0xFF in names, publishers and device descriptions, the record
// markers and "+" in every field, line breaks inside values, and a Cyrillic machine.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/robust/encoding.h"
#include "tests/robust/hostile_machine.h"

namespace robust {
namespace {

struct AllBytesCase {
  const char* name;
  UINT codePage;
  bool vista;
};

void PrintTo(const AllBytesCase& c, std::ostream* out) { *out << c.name; }

class HostileAllBytes : public ::testing::TestWithParam<AllBytesCase> {};

// Every byte in the values a careless writer would pass through unescaped or cut apart.
TEST_P(HostileAllBytes, ReachTheReportAsTheirCharacters) {
  const AllBytesCase& c = GetParam();
  const std::string all = EveryByte();
  HostileMachine m;
  sim::MachineBuilder& b = m.builder();
  b.With([&](sim::Facts& f) {
    f.ansiCodePage = c.codePage;
    f.computerName = all;
    f.userName = all;
    f.hasDefaultPrinter = true;
    f.defaultPrinter.name = all;
    if (c.vista) {
      f.majorVersion = 6;
      f.minorVersion = 0;
    }
  });
  b.Key(kUninstall + std::string("AllBytes")).String("DisplayName", all);
  for (int k = 0; k < 4; ++k) {
    b.Key(kUninstall + std::string("Chunk") + std::to_string(k));
    b.String("DisplayName", "Publisher chunk " + std::to_string(k));
    b.String("Publisher", all.substr(64 * k, 64));
  }
  b.Key(kServices + std::string("allbytes\\Enum")).String("0", "PCI\\ALLBYTES");
  b.Key(kEnum + std::string("PCI\\ALLBYTES"))
      .String("Class", "display")
      .String("FriendlyName", all);
  b.Key(kServices + std::string("Mouclass\\Enum")).String("0", "ACPI\\ALLBYTES");
  b.Key(kEnum + std::string("ACPI\\ALLBYTES")).String("DeviceDesc", all);
  b.Key(kEnum + std::string("DISPLAY\\ALLBYTES\\1")).String("DeviceDesc", all);
  b.Key(kScsiMap + std::string("Scsi Port 0\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0"))
      .String("Type", "CdRomPeripheral")
      .String("Identifier", all);
  b.Key(kProcessors + std::string("0")).String("ProcessorNameString", all);

  Report report = m.Run();
  const std::string written = InReport(all, c.codePage, false);
  // Vista keeps what follows the first ";" of a device description.
  const std::string reduced =
      c.vista ? InReport(all.substr(all.find(';') + 1), c.codePage, false) : written;
  EXPECT_EQ(written, report.Value("computerName"));
  EXPECT_EQ(written, report.Value("userName"));
  EXPECT_EQ(written, report.Value("cpu"));
  EXPECT_EQ(written, report.Value("defaultPrinter"));
  EXPECT_EQ(reduced, report.Value("video"));
  EXPECT_EQ(reduced, report.Value("mouse"));
  EXPECT_EQ(reduced, report.Value("monitor"));
  EXPECT_EQ(c.vista ? "" : written, report.Value("cdrom"));

  ExpectProducts(report, 5, 0, 0);
  report.Product(InReport(all, c.codePage, true));
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(InReport(all.substr(64 * k, 64), c.codePage, true),
              report.Product("Publisher chunk " + std::to_string(k)).fields["publisher"]);
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, HostileAllBytes,
                         ::testing::Values(AllBytesCase{"Xp1252", 1252, false},
                                           AllBytesCase{"Xp1251", 1251, false},
                                           AllBytesCase{"Vista1252", 1252, true}),
                         [](const ::testing::TestParamInfo<AllBytesCase>& info) {
                           return std::string(info.param.name);
                         });

// A value holding the field markers or a leading "+" splits its record oddly, but each entry
// is still one product, and no field grows past its capacity.
TEST(HostileMarkers, InEveryFieldStillGiveOneProductPerEntry) {
  const std::string markers = "+/1/2/3/4/5/6/7/8+";
  const char* const kTextValues[] = {"DisplayName",     "DisplayVersion", "Publisher",
                                     "InstallLocation", "RegCompany",     "RegOwner",
                                     "ProductID",       "InstallDate"};
  HostileMachine m;
  sim::MachineBuilder& b = m.builder();
  struct Placement {
    const char* key;
    std::string before, after;
  } placements[] = {{"Front", "", " front"}, {"Middle", "mid ", " dle"}, {"Back", "back ", ""}};
  for (const Placement& p : placements) {
    b.Key(kUninstall + std::string(p.key)).Dword("EstimatedSize", 99);
    for (const char* value : kTextValues)
      b.String(value, p.before + markers + p.after + " " + value);
  }
  b.Key(kUninstall + std::string("PlusOnly")).String("DisplayName", "+");
  b.Key(kUninstall + std::string("PlusName")).String("DisplayName", "+Plus Tool");
  // A system component whose name already starts with "+": the report drops one of them.
  b.Key(kUninstall + std::string("PlusComponent"))
      .String("DisplayName", "+Plus Part")
      .Dword("SystemComponent", 1);
  // An update test that reads a publisher cut apart by a marker in the name.
  b.Key(kUninstall + std::string("SplitUpdate"))
      .String("DisplayName", "Hotfix/2 for KB100")
      .String("Publisher", "Microsoft Corporation");
  b.Key(kServices + std::string("markers\\Enum")).String("0", "PCI\\MARKERS");
  b.Key(kEnum + std::string("PCI\\MARKERS"))
      .String("Class", "display")
      .String("FriendlyName", markers);
  b.With([&](sim::Facts& f) { f.computerName = markers; });

  Report report = m.Run();
  std::vector<Installed> products = report.Software();
  EXPECT_EQ(7u, products.size());
  EXPECT_EQ(static_cast<int>(products.size()), report.Statistic("total"));
  int components = 0;
  for (const Installed& product : products) {
    if (product.type == "component") ++components;
  }
  // "Front" begins with "+" and so do the three "+" names.
  EXPECT_EQ(4, components);
  EXPECT_EQ(components, report.Statistic("numberOfComponent"));
  EXPECT_EQ("Plus Tool", report.Product("Plus Tool").fields["name"]);
  EXPECT_EQ("component", report.Product("+Plus Part").type);
  report.Product("mid +");
  // "/2" inside the name: the publisher then runs from there and holds "Microsoft".
  EXPECT_EQ("update", report.Product("Hotfix/2 for KB100").type);
  EXPECT_EQ(markers, report.Value("video"));
  EXPECT_EQ(markers, report.Value("computerName"));
}

// Servicing package names carry the markers into the name and version fields on Vista.
TEST(HostileMarkers, InServicingPackageNamesStillGiveOneProductPerPackage) {
  HostileMachine m;
  m.builder().With([](sim::Facts& f) {
    f.majorVersion = 6;
    f.minorVersion = 0;
  });
  const char* const kNames[] = {
      "Package_for_KB/1/2/3~x86~~6.0/8.1",  "Package_for_+KB100001~x86~~/4/5/6",
      "Package_for_Update/7 for KB1~~/8",
      "Package_for_~KB100002~x86~~6.0.1.0",  // nothing before the "~": no product
      "Package_KB100003~x86~~6.0.1.0",       // no "_for_": no product
  };
  for (const char* name : kNames) {
    m.builder()
        .Key(kPackages + std::string(name))
        .String("InstallClient", "WindowsUpdateAgent")
        .Dword("CurrentState", 7)
        .Dword("Visibility", 1)
        .String("InstallLocation", "C:\\/8/7/6");
  }
  Report report = m.Run("/software");
  EXPECT_EQ(3u, report.Software().size());
  EXPECT_EQ(3, report.Statistic("total"));
  // The markers in the name push the publisher out of its field: no longer an update.
  EXPECT_EQ("application", report.Product("KB").type);
}

// One product is one line: a line break inside a value is a blank in the record file.
TEST(HostileLineBreaks, InsideValuesKeepOneProductPerEntry) {
  HostileMachine m;
  sim::MachineBuilder& b = m.builder();
  b.Key(kUninstall + std::string("CrLf"))
      .String("DisplayName", "Two\r\nLines")
      .String("Publisher", "Pub\rlisher")
      .String("InstallLocation", "C:\\Path\n")
      .String("DisplayVersion", "\r\n1.0\r\n");
  b.Key(kUninstall + std::string("LfOnly")).String("DisplayName", "\n");
  b.Key(kUninstall + std::string("CrOnly")).String("DisplayName", "Only\r");
  b.Key(kUninstall + std::string("EndOfFile")).String("DisplayName", "Before\x1a after");
  b.Key(kServices + std::string("breaks\\Enum")).String("0", "PCI\\BREAKS");
  b.Key(kEnum + std::string("PCI\\BREAKS"))
      .String("Class", "display")
      .String("FriendlyName", "Adapter\r\nSecond line\n");
  b.With([](sim::Facts& f) { f.userName = "line\nbreak"; });

  Report report = m.Run();
  ExpectProducts(report, 4, 0, 0);
  Installed twoLines = report.Product("Two  Lines");
  EXPECT_EQ("Pub lisher", twoLines.fields["publisher"]);
  EXPECT_EQ("C:\\Path ", twoLines.fields["location"]);
  EXPECT_EQ("  1.0  ", twoLines.fields["version"]);
  report.Product(" ");
  report.Product("Only ");
  report.Product("Before  after");
  // Outside the record file a line break stays; the file holds CR LF for each line feed.
  EXPECT_EQ("Adapter\r\r\nSecond line\r\n", report.Value("video"));
  EXPECT_EQ("line\r\nbreak", report.Value("userName"));
}

TEST(HostileCodePage1251, CyrillicNamesAreWrittenAsTheirUtf8) {
  HostileMachine m;
  sim::MachineBuilder& b = m.builder();
  b.With([](sim::Facts& f) {
    f.ansiCodePage = 1251;
    f.computerName = Cp1251(u8"БУХГАЛТЕРИЯ");
    f.userName = Cp1251(u8"Иван Петров");
  });
  b.Key(kUninstall + std::string("Uchet"))
      .String("DisplayName", Cp1251(u8"Программа «Учёт» №1"))
      .String("Publisher", Cp1251(u8"ООО Пример"))
      .String("DisplayVersion", "1.0");
  b.Key(kUninstall + std::string("Yolka"))
      .String("DisplayName", Cp1251(u8"Ёлка"))
      .Dword("SystemComponent", 1);
  b.Key(kUninstall + std::string("KB123456"))
      .String("DisplayName", Cp1251(u8"Обновление для Windows XP (KB123456)"))
      .String("Publisher", "Microsoft Corporation");
  b.Key(kServices + std::string("vid\\Enum")).String("0", "PCI\\VID");
  b.Key(kEnum + std::string("PCI\\VID"))
      .String("Class", "display")
      .String("FriendlyName", Cp1251(u8"Видеоадаптер (Microsoft Corporation - WDDM)"));

  Report report = m.Run();
  EXPECT_EQ(u8"БУХГАЛТЕРИЯ", report.Value("computerName"));
  EXPECT_EQ(u8"Иван Петров", report.Value("userName"));
  EXPECT_EQ(u8"Видеоадаптер (Microsoft Corporation - WDDM)", report.Value("video"));
  ExpectProducts(report, 1, 1, 1);
  EXPECT_EQ(u8"ООО Пример", report.Product(u8"Программа «Учёт» №1").fields["publisher"]);
  EXPECT_EQ("component", report.Product(u8"Ёлка").type);
  EXPECT_EQ("update", report.Product(u8"Обновление для Windows XP (KB123456)").type);
}

}  // namespace
}  // namespace robust
