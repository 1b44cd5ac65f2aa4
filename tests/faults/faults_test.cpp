// Whole runs on a machine whose calls fail as planned, by [fault] sections as a profile's
// machine.ini gives them: every run ends with status 0 and leaves no key open and no record
// file; a failure costs the item it was for and nothing else, or the whole report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/run.h"
#include "app/sections.h"
#include "platform/sim/builder.h"
#include "platform/sim/profile.h"

namespace fs = std::filesystem;

namespace {

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kServices[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
const char kNoReport[] = "(no report)";

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() : drive_(fs::temp_directory_path() / ("faults-" + std::to_string(::getpid()))) {}
  ~FaultTest() override { fs::remove_all(drive_); }

  // An XP workstation with three uninstall entries (the third a system component), three
  // display adapters under three services, and two monitors.
  void Build(sim::MachineBuilder& b) {
    b.Key(kUninstall + std::string("App1"))
        .String("DisplayName", "Alpha")
        .Dword("EstimatedSize", 12);
    b.Key(kUninstall + std::string("App2")).String("DisplayName", "Beta");
    b.Key(kUninstall + std::string("App3"))
        .String("DisplayName", "Gamma")
        .Dword("SystemComponent", 1);
    for (const std::string number : {"1", "2", "3"}) {
      b.Key(kServices + ("Svc" + number) + "\\Enum").String("0", "PCI\\VEN_" + number);
      b.Key(kEnum + ("PCI\\VEN_" + number))
          .String("Class", "Display")
          .String("DeviceDesc", "Video " + number);
    }
    b.Key(kEnum + std::string("DISPLAY\\ABC1234\\1")).String("DeviceDesc", "Monitor One");
    b.Key(kEnum + std::string("DISPLAY\\ABC1234\\2")).String("DeviceDesc", "Monitor Two");
  }

  // Runs the program with the [fault] sections (and other machine.ini lines) of `ini`, checks
  // what every run must leave, and returns the report it wrote to C:\out\r.xml.
  std::string Run(const std::string& ini,
                  const std::string& commandLine = "/out:\"C:\\out\\r.xml\"") {
    ApplicationCount = UpdateCount = ComponentCount = SoftwareTotal = 0;  // a process of its own
    fs::remove_all(drive_);
    for (const char* folder : {"sorvik", "TEMP", "out"}) fs::create_directories(drive_ / folder);
    sim::MachineBuilder builder;
    Build(builder);
    sim::Machine& machine = builder.machine();
    machine.facts.driveFolders['C'] = drive_.string();
    machine.facts.tempPath = "C:\\TEMP\\";
    std::string error;
    EXPECT_TRUE(sim::ParseMachineIni(ini, "machine.ini", "/p", &machine, &error)) << error;
    {
      sim::ScopedMachine installed(machine);
      EXPECT_EQ(0, SorvikMain(commandLine.c_str())) << ini;
    }
    EXPECT_EQ(0, machine.OpenHandleCount()) << ini;
    EXPECT_TRUE(fs::is_empty(drive_ / "TEMP")) << ini << ": a record file was left";
    EXPECT_TRUE(fs::is_empty(drive_ / "sorvik")) << ini;
    for (const sim::Fault& fault : machine.faults)  // a rule that never fired proves nothing
      EXPECT_GE(fault.matched, fault.fromCall) << ini;
    std::ifstream in(drive_ / "out" / "r.xml", std::ios::binary);
    if (!in) return kNoReport;
    std::ostringstream report;
    report << in.rdbuf();
    return report.str();
  }

  fs::path drive_;
};

std::string Fault(const std::string& function, const std::string& error, const std::string& more) {
  return "[fault]\nfunction = " + function + "\nerror = " + error + "\n" + more;
}

// A registry call that fails costs the item it was for; the junk that a failed query leaves
// in its area (0xCC, which would be written as U+00CC) never reaches the report.
TEST_F(FaultTest, ARegistryFailureSkipsOnlyItsItem) {
  const std::string kAll = "<total>3</total>";
  const struct {
    std::string ini;
    std::vector<std::string> expected;  // parts of the report; "!" in front: must be absent
  } cases[] = {
      {Fault("RegOpenKeyExA", "ERROR_ACCESS_DENIED", "path = Uninstall\\App2"),
       {"<total>2</total>", "!Beta"}},
      {Fault("RegOpenKeyExA", "5", "path = Uninstall\\App\nfrom = 2\ncount = 1"),
       {"<total>2</total>", "!Beta", "Gamma"}},
      {Fault("RegOpenKeyExA", "5", "path = CurrentVersion\\Uninstall"), {"<total>0</total>"}},
      {Fault("RegOpenKeyExA", "5", "path = Enum\\PCI\\VEN_2"),
       {"<video>Video 1;Video 3</video>", kAll}},
      {Fault("RegQueryValueExA", "ERROR_MORE_DATA", "path = App2\nvalue = DisplayName"),
       {"<total>2</total>", "!Beta"}},
      {Fault("RegQueryValueExA", "ERROR_MORE_DATA", "value = SystemComponent"),
       {"<numberOfComponent>0</numberOfComponent>", kAll}},
      {Fault("RegQueryValueExA", "ERROR_MORE_DATA", "path = App1\nvalue = EstimatedSize"),
       {"!<size>12</size>", kAll}},
      // The uninstall walk ends at the first failing index; the device walks skip a name too
      // long for their area and end at any other failure; the monitor model search ends at any.
      {Fault("RegEnumKeyExA", "ERROR_ACCESS_DENIED", "path = Uninstall\nindex = 1"),
       {"<total>1</total>"}},
      {Fault("RegEnumKeyExA", "ERROR_MORE_DATA", "path = Services\nindex = 1"),
       {"<video>Video 1;Video 3</video>", kAll}},
      {Fault("RegEnumKeyExA", "ERROR_ACCESS_DENIED", "path = Services\nindex = 1"),
       {"<video>Video 1</video>", kAll}},
      {Fault("RegEnumKeyExA", "ERROR_MORE_DATA", "path = DISPLAY\\ABC1234\nindex = 0"),
       {"<monitor>Monitor Two</monitor>"}},
      {Fault("RegEnumKeyExA", "ERROR_MORE_DATA", "path = Enum\\DISPLAY\nindex = 0"),
       {"<monitor />", kAll}},
  };
  for (const auto& c : cases) {
    const std::string report = Run(c.ini);
    EXPECT_EQ("</sorvik>\r\n", report.substr(report.size() - 11)) << c.ini;
    EXPECT_EQ(std::string::npos, report.find("\xC3\x8C")) << c.ini;
    for (const std::string& part : c.expected) {
      if (part[0] == '!')
        EXPECT_EQ(std::string::npos, report.find(part.substr(1))) << c.ini << part;
      else
        EXPECT_NE(std::string::npos, report.find(part)) << c.ini << part;
    }
  }
}

// Without the temporary folder or the report file there is no report, and nothing is left.
TEST_F(FaultTest, WithoutTempFolderOrReportFileNothingIsWritten) {
  EXPECT_EQ(kNoReport, Run(Fault("GetTempPathA", "3", "")));
  EXPECT_EQ(kNoReport, Run(Fault("GetTempFileNameA", "5", "path = TEMP")));
  EXPECT_EQ(kNoReport, Run(Fault("OpenPathA", "5", "path = r.xml")));
  EXPECT_EQ(kNoReport, Run(Fault("OpenPathA", "5", "path = .xml"), ""));
  EXPECT_EQ(kNoReport, Run("[files]\ntempPath = C:\\NOTEMP\\\n"));
  EXPECT_FALSE(fs::exists(drive_ / "NOTEMP"));
}

// A disk that fills up while the report is written: the file holds exactly what fitted, as
// nothing already written is taken back.
TEST_F(FaultTest, AReportWriteThatFailsKeepsWhatWasWritten) {
  const std::string whole = Run("");
  for (size_t limit : {size_t{0}, size_t{3}, size_t{41}, whole.size() - 1, whole.size()}) {
    EXPECT_EQ(whole.substr(0, limit),
              Run(Fault("OpenPathA", "5", "path = r.xml\nwriteLimit = " + std::to_string(limit))));
  }
}

// A disk that fills up while the software list is written, by either scan and at either
// write: a record cut short is never reported as a product.
TEST_F(FaultTest, ARecordFileWriteThatFailsReportsNoProduct) {
  for (const char* version : {"", "[version]\nmajor = 6\nminor = 0\n"}) {
    for (const char* call : {"1", "2"}) {
      const std::string ini = version +
                              Fault("OpenPathA", "5", "path = \\TEMP\\\nwriteLimit = 20\nfrom = ") +
                              call + "\ncount = 1\n";
      const std::string report = Run(ini);
      EXPECT_NE(std::string::npos, report.find("<software>\r\n</software>\r\n")) << ini;
      EXPECT_NE(std::string::npos, report.find("<total>0</total>")) << ini;
    }
  }
}

}  // namespace
