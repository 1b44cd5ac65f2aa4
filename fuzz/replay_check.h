// A whole run of the program over a loaded machine, as sorvik-replay does it, and what must
// hold after it whatever the machine holds: status 0, every key closed, every library and
// socket start undone, no record file left behind, and a report (when one was written) in
// strict UTF-8 with CR LF line ends that is well-formed XML.
#pragma once

#include <string>

#include "app/run.h"
#include "fuzz/fuzz_support.h"

namespace fuzz {

// Keeps the run's files inside the fuzzer's host folder whatever the profile says: only C:
// has files, and the program, its temporary folder and the report live there.
inline void ConfineFiles(sim::Machine* machine) {
  machine->facts.driveFolders.clear();
  machine->facts.driveFolders['C'] = HostFolder::Path();
  machine->facts.modulePath = "C:\\sorvik\\sorvik.exe";
  machine->facts.tempPath = "C:\\TEMP\\";
}

// Runs in a fresh host folder (a HostFolder of the caller's).
inline void RunAndCheckReport(sim::Machine* machine) {
  std::filesystem::create_directories(HostFolder::At("TEMP"));
  std::filesystem::create_directories(HostFolder::At("sorvik"));

  sim::Install(machine);
  int status = SorvikMain("/out:\"C:\\report.xml\"");
  sim::Install(nullptr);

  FUZZ_CHECK(status == 0);
  FUZZ_CHECK(machine->OpenHandleCount() == 0);
  FUZZ_CHECK(machine->libraryLoads == 0);
  FUZZ_CHECK(machine->socketStarts == 0);
  std::error_code ignored;
  FUZZ_CHECK(std::filesystem::is_empty(HostFolder::At("TEMP"), ignored));
  if (!HostFolder::Exists("report.xml")) return;
  std::string bytes = HostFolder::Read("report.xml");
  CheckReportBytes(bytes);
  std::string problem = XmlProblem(bytes.substr(3));
  if (!problem.empty()) std::fprintf(stderr, "report: %s\n", problem.c_str());
  FUZZ_CHECK(problem.empty());
}

}  // namespace fuzz
