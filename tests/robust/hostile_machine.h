// Hostile machines: the whole program run over a simulated computer whose registry and
// identity a careless collector would crash on or misreport.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/builder.h"
#include "platform/sim/machine.h"
#include "tests/report/host_folder.h"

namespace robust {

inline const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline const char kPackages[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based Servicing\\Packages\\";
inline const char kServices[] = "SYSTEM\\CurrentControlSet\\Services\\";
inline const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
inline const char kProcessors[] = "Hardware\\Description\\System\\CentralProcessor\\";
inline const char kScsiMap[] = "HARDWARE\\DEVICEMAP\\Scsi\\";

// Where Run() asks for the report unless a test names another command line.
inline const char kOutArgument[] = "/out:\"C:\\out\\report.xml\"";

// One installed element of the software section, its values with entities resolved.
struct Installed {
  std::string type;
  std::map<std::string, std::string> fields;  // element name to value
};

// A report as written, with the few lookups the tests need. Values are UTF-8 with the
// entities resolved; a line feed inside a value reads as the CR LF the file holds.
class Report {
 public:
  Report() = default;
  explicit Report(std::string bytes) : bytes_(std::move(bytes)) {}
  const std::string& bytes() const { return bytes_; }
  bool empty() const { return bytes_.empty(); }

  // Every simple element of that name, in order ("" for the self-closing form).
  std::vector<std::string> Values(const std::string& name) const;
  // The first one; fails the test (and gives "") when there is none.
  std::string Value(const std::string& name) const;
  // The value of a statistics element as a number (-1 when missing).
  int Statistic(const std::string& name) const;
  std::vector<Installed> Software() const;
  // The installed element whose name is `name`; fails the test when there is not exactly one.
  Installed Product(const std::string& name) const;

 private:
  std::string bytes_;
};

// Entities resolved, as an XML reader would give the text.
std::string Unescape(const std::string& text);

// Expects the software section to hold exactly these numbers of elements of each type, and
// the statistics to say the same.
void ExpectProducts(const Report& report, int applications, int updates, int components);

// Registry data as stored: a text with its terminator, or the bare bytes.
sim::Bytes Sz(const std::string& text);
sim::Bytes Bare(const std::string& text);
// A text of `length` characters that starts with `tag`, the rest filled with a pattern of
// letters and digits (no blanks, no markers, nothing to escape).
std::string Filler(const std::string& tag, size_t length);

// A Windows XP workstation named ROBUST-PC, user tester, address 10.9.8.7, with an empty
// registry; its C: drive is a fresh host folder holding the program's folder (sorvik), the
// temporary folder (TEMP) and an output folder (out).
class HostileMachine {
 public:
  HostileMachine();

  sim::MachineBuilder& builder() { return builder_; }
  sim::Machine& machine() { return builder_.machine(); }
  const HostFolder& folder() const { return folder_; }

  // Loads tests/fixtures/NAME over the machine; C: stays the host folder.
  bool LoadFixture(const std::string& name, std::string* error);

  // Runs the program with this command line and checks what every run must leave behind:
  // exit status 0, no registry key open, nothing new in the temporary folder, and exactly one
  // new report that passes tests/docs/reportcheck.py (byte form, schema, statistics) with the
  // sections the command line selects. The report is removed from the folder and returned.
  Report Run(const std::string& commandLine = kOutArgument);
  // Where the last run wrote its report, relative to the C: folder ("sorvik/NAME.xml").
  const std::string& lastReportPath() const { return lastReportPath_; }

 private:
  HostFolder folder_;
  sim::MachineBuilder builder_;
  std::string lastReportPath_;
};

}  // namespace robust
