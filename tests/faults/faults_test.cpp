// Whole runs on a machine whose system calls fail as planned: every run ends with status 0,
// writes what the design gives for that failure, and leaves no key open and no record file.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/run.h"
#include "app/sections.h"
#include "platform/sim/builder.h"
#include "tests/report/host_folder.h"

namespace {

const char kOutArgument[] = "/out:\"C:\\out\\r.xml\"";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";
const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum";

// The value of the first element `name` in the report: its text, "" when it is written
// empty, "(absent)" when there is none.
std::string ValueOf(const std::string& report, const std::string& name) {
  if (report.find("<" + name + " />") != std::string::npos &&
      report.find("<" + name + " />") < report.find("<" + name + ">"))
    return "";
  size_t start = report.find("<" + name + ">");
  if (start == std::string::npos) return "(absent)";
  start += name.size() + 2;
  return report.substr(start, report.find("</" + name + ">", start) - start);
}

// The software section's products as "type:name", in report order.
std::vector<std::string> Products(const std::string& report) {
  std::vector<std::string> products;
  const std::string tag = "<installed type=\"";
  for (size_t at = report.find(tag); at != std::string::npos; at = report.find(tag, at + 1)) {
    size_t typeEnd = report.find('"', at + tag.size());
    products.push_back(report.substr(at + tag.size(), typeEnd - at - tag.size()) + ":" +
                       ValueOf(report.substr(typeEnd), "name"));
  }
  return products;
}

// An XP workstation with three uninstall entries (the third a system component), three
// display adapters under three services, a mouse, two monitors and a CD drive.
std::unique_ptr<sim::Machine> FaultyMachine(const std::string& driveC,
                                            const std::vector<sim::Fault>& faults) {
  const std::string uninstall = kUninstall;
  const std::string services = kServices;
  const std::string devices = kEnum;
  sim::MachineBuilder builder;
  builder.With([&](sim::Facts& f) {
    f.driveFolders['C'] = driveC;
    f.hostName = "pc1host";
    f.resolver["pc1host"] = {"10.1.2.3"};
    f.computerName = "PC1";
    f.userName = "bob";
    f.modulePath = "C:\\sorvik\\sorvik.exe";
    f.tempPath = "C:\\TEMP\\";
  });
  builder.Key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion")
      .String("ProductId", "55274-640-1234567-23456");
  builder.Key(uninstall + "\\App1")
      .String("DisplayName", "Alpha")
      .String("Publisher", "Alpha Soft")
      .Dword("EstimatedSize", 12);
  builder.Key(uninstall + "\\App2").String("DisplayName", "Beta");
  builder.Key(uninstall + "\\App3").String("DisplayName", "Gamma").Dword("SystemComponent", 1);
  for (const char* number : {"1", "2", "3"}) {
    std::string instance = std::string("PCI\\VEN_") + number;
    builder.Key(services + "\\Svc" + number + "\\Enum").String("0", instance);
    builder.Key(devices + "\\" + instance)
        .String("Class", "Display")
        .String("DeviceDesc", std::string("Video Card ") + number);
  }
  builder.Key(devices + "\\PCI\\VEN_1").String("FriendlyName", "Video One");
  builder.Key(services + "\\Mouclass\\Enum").String("0", "ACPI\\PNP0F13\\1");
  builder.Key(devices + "\\ACPI\\PNP0F13\\1")
      .String("Class", "Mouse")
      .String("DeviceDesc", "Mouse");
  builder.Key(devices + "\\DISPLAY\\ABC1234\\1").String("DeviceDesc", "Monitor One");
  builder.Key(devices + "\\DISPLAY\\ABC1234\\2").String("DeviceDesc", "Monitor Two");
  builder.Key("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 0\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0")
      .String("Type", "CdRomPeripheral")
      .String("Identifier", "SONY CD-ROM");
  builder.machine().faults = faults;
  return builder.Build();
}

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() {
    folder_.MakeFolder("sorvik");
    folder_.MakeFolder("TEMP");
    folder_.MakeFolder("out");
  }

  // Runs the program on a fresh machine with the plan, checks what every run must leave, and
  // returns the report it wrote to C:\out\r.xml ("(no report)" without one).
  std::string Run(const std::vector<sim::Fault>& faults, const std::string& commandLine,
                  const std::string& label) {
    // Each run is a process of its own on Windows: its counters start at zero.
    ApplicationCount = UpdateCount = ComponentCount = SoftwareTotal = 0;
    auto machine = FaultyMachine(folder_.path(), faults);
    for (const auto& change : changes_) change(*machine);
    {
      sim::ScopedMachine installed(*machine);
      EXPECT_EQ(0, SorvikMain(commandLine.c_str())) << label;
    }
    EXPECT_EQ(0, machine->OpenHandleCount()) << label;
    EXPECT_EQ(nullptr, g_pOut) << label;
    EXPECT_EQ(std::vector<std::string>{}, folder_.List("TEMP")) << label << ": a record file";
    // A rule that never fired would make the case prove nothing.
    for (const sim::Fault& fault : machine->faults)
      EXPECT_GE(fault.matched, fault.fromCall)
          << label << ": " << fault.function << " never failed";
    std::vector<std::string> reports = folder_.List("out");
    std::vector<std::string> elsewhere = folder_.List("sorvik");
    EXPECT_EQ(std::vector<std::string>{}, elsewhere) << label;
    if (reports.empty()) return "(no report)";
    EXPECT_EQ(std::vector<std::string>{"r.xml"}, reports) << label;
    std::string report = folder_.Read("out/r.xml");
    std::filesystem::remove(folder_.At("out/r.xml"));
    return report;
  }

  std::string Run(const std::vector<sim::Fault>& faults, const std::string& label) {
    return Run(faults, kOutArgument, label);
  }

  HostFolder folder_;
  std::vector<std::function<void(sim::Machine&)>> changes_;
};

TEST_F(FaultTest, ASoundMachineGivesTheWholeReport) {
  std::string report = Run({}, "no fault");
  EXPECT_EQ("55274-640-1234567-23456", ValueOf(report, "productId"));
  EXPECT_EQ("Video One;Video Card 2;Video Card 3", ValueOf(report, "video"));
  EXPECT_EQ("Mouse", ValueOf(report, "mouse"));
  EXPECT_EQ("Monitor One;Monitor Two", ValueOf(report, "monitor"));
  EXPECT_EQ("SONY CD-ROM", ValueOf(report, "cdrom"));
  EXPECT_EQ((std::vector<std::string>{"application:Alpha", "application:Beta", "component:Gamma"}),
            Products(report));
  EXPECT_EQ("Alpha Soft", ValueOf(report, "publisher"));
  EXPECT_EQ("12", ValueOf(report, "size"));
  EXPECT_EQ("3", ValueOf(report, "total"));
}

// A registry call that fails costs the item it was for, and nothing else.
TEST_F(FaultTest, ARegistryFailureSkipsOnlyItsItem) {
  const std::string uninstall = kUninstall;
  const std::string services = kServices;
  const std::vector<std::string> all = {"application:Alpha", "application:Beta", "component:Gamma"};
  const std::vector<std::string> alphaOnly = {"application:Alpha"};
  struct Case {
    const char* label;
    sim::Fault fault;
    std::vector<std::string> products;
    std::vector<std::pair<std::string, std::string>> elements;
  } cases[] = {
      {"an uninstall entry can't be opened",
       sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Uninstall\\App2"),
       {"application:Alpha", "component:Gamma"},
       {{"total", "2"}}},
      {"the second entry opened fails once",
       sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Uninstall\\App").From(2).Times(1),
       {"application:Alpha", "component:Gamma"},
       {{"total", "2"}}},
      {"the uninstall key can't be opened",
       sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path(uninstall),
       {},
       {{"total", "0"}, {"numberOfApplication", "0"}, {"numberOfComponent", "0"}}},
      {"a device key can't be opened",
       sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Enum\\PCI\\VEN_2"),
       all,
       {{"video", "Video One;Video Card 3"}}},
      {"the services key can't be opened",
       sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path(services),
       all,
       {{"video", ""}, {"mouse", ""}, {"monitor", "Monitor One;Monitor Two"}}},
      {"the OS key can't be opened",
       sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Windows NT\\CurrentVersion"),
       all,
       {{"productId", ""}}},
      {"a display name grew",
       sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Path("App2").Value("DisplayName"),
       {"application:Alpha", "component:Gamma"},
       {{"total", "2"}}},
      {"a publisher grew",
       sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Path("App1").Value("Publisher"),
       all,
       {{"publisher", ""}, {"size", "12"}}},
      {"a size grew",
       sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Path("App1").Value("EstimatedSize"),
       all,
       {{"publisher", "Alpha Soft"}, {"size", ""}}},
      {"the component mark grew",
       sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Value("SystemComponent"),
       {"application:Alpha", "application:Beta", "application:Gamma"},
       {{"numberOfComponent", "0"}}},
      {"a friendly name grew",
       sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Path("VEN_1").Value("FriendlyName"),
       all,
       {{"video", "Video Card 1;Video Card 2;Video Card 3"}}},
      {"a CD identifier grew",
       sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Value("Identifier"),
       all,
       {{"cdrom", ""}}},
      {"the product id grew",
       sim::Fault("RegQueryValueExA", ERROR_MORE_DATA).Value("ProductId"),
       all,
       {{"productId", ""}}},
      {"a mouse description is denied",
       sim::Fault("RegQueryValueExA", ERROR_ACCESS_DENIED).Path("PNP0F13").Value("DeviceDesc"),
       all,
       {{"mouse", ""}}},
      // The uninstall walk ends at the first failing index, whatever the failure.
      {"the uninstall walk is denied at index 1",
       sim::Fault("RegEnumKeyExA", ERROR_ACCESS_DENIED).Path(uninstall).Index(1),
       alphaOnly,
       {{"total", "1"}}},
      {"the uninstall walk ends early at index 1",
       sim::Fault("RegEnumKeyExA", ERROR_NO_MORE_ITEMS).Path(uninstall).Index(1),
       alphaOnly,
       {{"total", "1"}}},
      // The device walks skip a name too long for their area; any other failure is one of
      // the handle, which every later index would repeat, and ends the walk. Services in
      // order: Mouclass, Svc1, Svc2, Svc3.
      {"a service name grew",
       sim::Fault("RegEnumKeyExA", ERROR_MORE_DATA).Path(services).Index(2),
       all,
       {{"video", "Video One;Video Card 3"}}},
      {"the services walk is denied at index 2",
       sim::Fault("RegEnumKeyExA", ERROR_ACCESS_DENIED).Path(services).Index(2),
       all,
       {{"video", "Video One"}}},
      {"the services walk ends early at index 2",
       sim::Fault("RegEnumKeyExA", ERROR_NO_MORE_ITEMS).Path(services).Index(2),
       all,
       {{"video", "Video One"}}},
      {"a monitor instance name grew",
       sim::Fault("RegEnumKeyExA", ERROR_MORE_DATA).Path("DISPLAY\\ABC1234").Index(0),
       all,
       {{"monitor", "Monitor Two"}}},
      {"the monitor instances are denied",
       sim::Fault("RegEnumKeyExA", ERROR_ACCESS_DENIED).Path("DISPLAY\\ABC1234").Index(1),
       all,
       {{"monitor", "Monitor One"}}},
      // The display branch's model search is the one walk that stops at any failure.
      {"the monitor models are denied",
       sim::Fault("RegEnumKeyExA", ERROR_ACCESS_DENIED).Path("Enum\\DISPLAY").Index(0),
       all,
       {{"monitor", ""}}},
  };
  for (const Case& c : cases) {
    std::string report = Run({c.fault}, c.label);
    ASSERT_NE("(no report)", report) << c.label;
    EXPECT_EQ("</sorvik>\r\n", report.substr(report.size() - 11)) << c.label;
    EXPECT_EQ(c.products, Products(report)) << c.label;
    for (const auto& element : c.elements)
      EXPECT_EQ(element.second, ValueOf(report, element.first)) << c.label << ": " << element.first;
    // The junk (0xCC, code page 1252's capital I with grave) that a failed query leaves in
    // its area never reaches the report.
    EXPECT_EQ(std::string::npos, report.find("\xC3\x8C")) << c.label;
  }
}

// Without the temporary folder or the report file there is no report, and nothing is left.
TEST_F(FaultTest, WithoutTempFolderOrReportFileNothingIsWritten) {
  struct Case {
    const char* label;
    std::vector<sim::Fault> faults;
    const char* commandLine;
    std::function<void(sim::Machine&)> change;
  } cases[] = {
      {"no temporary folder path",
       {sim::Fault("GetTempPathA", ERROR_PATH_NOT_FOUND)},
       kOutArgument,
       nullptr},
      {"no temporary file",
       {sim::Fault("GetTempFileNameA", ERROR_ACCESS_DENIED).Path("TEMP")},
       kOutArgument,
       nullptr},
      {"the temporary folder is missing",
       {},
       kOutArgument,
       [](sim::Machine& m) { m.facts.tempPath = "C:\\NOTEMP\\"; }},
      {"the report file can't be created",
       {sim::Fault("OpenPathA", ERROR_ACCESS_DENIED).Path("r.xml")},
       kOutArgument,
       nullptr},
      {"the default report file can't be created",
       {sim::Fault("OpenPathA", ERROR_ACCESS_DENIED).Path(".xml")},
       "",
       nullptr},
  };
  for (const Case& c : cases) {
    changes_.clear();
    if (c.change) changes_.push_back(c.change);
    EXPECT_EQ("(no report)", Run(c.faults, c.commandLine, c.label));
    EXPECT_FALSE(folder_.Exists("NOTEMP")) << c.label;
  }
}

// A disk that fills up while the report is written: the file holds exactly what fitted, as
// nothing already written is taken back, and the run still ends normally.
TEST_F(FaultTest, AReportWriteThatFailsKeepsWhatWasWritten) {
  const std::string whole = Run({}, "no fault");
  ASSERT_GT(whole.size(), 1000u);
  const long size = static_cast<long>(whole.size());
  for (long limit : {0L, 2L, 3L, 40L, 41L, 500L, size / 2, size - 1, size, size + 4096}) {
    std::string label = "write limit " + std::to_string(limit);
    std::string report =
        Run({sim::Fault("OpenPathA", ERROR_ACCESS_DENIED).Path("r.xml").WriteLimit(limit)}, label);
    EXPECT_EQ(whole.substr(0, static_cast<size_t>(limit)), report) << label;
  }
}

// A disk that fills up while the software list is written: a record cut short must not be
// reported as a product, and the record file is gone at the end.
TEST_F(FaultTest, ARecordFileWriteThatFailsReportsNoBrokenProduct) {
  const std::vector<std::string> all = {"application:Alpha", "application:Beta", "component:Gamma"};
  const std::function<void(sim::Machine&)> vista = [](sim::Machine& m) {
    m.facts.majorVersion = 6;
    m.facts.minorVersion = 0;
  };
  for (bool onVista : {false, true}) {  // each software fetcher writes its own list
    changes_.clear();
    if (onVista) changes_.push_back(vista);
    for (long call : {1L, 2L}) {  // the scan's own write, then the rewrite without duplicates
      for (long limit : {0L, 5L, 20L, 30L, 1000L}) {
        std::string label = std::string(onVista ? "Vista: " : "XP: ") + "record write " +
                            std::to_string(call) + " limited to " + std::to_string(limit);
        std::string report = Run({sim::Fault("OpenPathA", ERROR_ACCESS_DENIED)
                                      .Path("\\TEMP\\")
                                      .WriteLimit(limit)
                                      .From(call)
                                      .Times(1)},
                                 label);
        ASSERT_NE("(no report)", report) << label;
        std::vector<std::string> products = Products(report);
        if (limit >= 1000) {
          EXPECT_EQ(all, products) << label;
        } else {
          EXPECT_EQ(std::vector<std::string>{}, products) << label;
          EXPECT_EQ("0", ValueOf(report, "total")) << label;
          EXPECT_NE(std::string::npos, report.find("<software>\r\n</software>\r\n")) << label;
        }
      }
    }
  }
}

}  // namespace
