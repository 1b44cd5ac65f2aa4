// What the fuzz targets share: the check that stops a run, a host folder behind the simulated
// C: drive, the byte form of every report file, and a whole run of the program.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/sim/builder.h"

// Independent of NDEBUG: a broken invariant is a finding, reported like a crash.
#define FUZZ_CHECK(c)                                                                    \
  ((c) ? void()                                                                          \
       : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #c), \
          std::abort()))

namespace fuzz {

// The input as a C text: its bytes up to the first NUL.
inline std::string TextOf(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  return text.substr(0, text.find('\0'));
}

// The host folder behind C:, one per process and in memory where the host offers it, made for
// one input and removed with everything in it when that input is done (libFuzzer ends a run
// without the destructors of statics, so nothing may outlive an input).
struct HostFolder {
  HostFolder() { std::filesystem::create_directories(Path()); }
  ~HostFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Path(), ignored);
  }
  static std::string Path() {
    return std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/sorvik-fuzz-" +
           std::to_string(getpid());
  }
  static std::string Read(const std::string& name) {
    std::ifstream in(Path() + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

// A machine whose C: drive is the host folder, installed for the scope.
struct FuzzMachine {
  explicit FuzzMachine(UINT codePage = 1252) {
    machine.facts.driveFolders['C'] = HostFolder::Path();
    machine.facts.ansiCodePage = codePage;
    sim::Install(&machine);
  }
  ~FuzzMachine() { sim::Install(nullptr); }
  HostFolder folder;
  sim::Machine machine;
};

inline bool AllowedInXml(uint32_t c) {
  return c < 0x20 ? c == '\t' || c == '\n' || c == '\r' : c != 0xFFFE && c != 0xFFFF;
}

// What the writer makes of UTF-16 units: pairs combined, lone surrogates and characters XML
// forbids as U+FFFD, and a CR before every line feed.
inline std::vector<uint32_t> Written(const std::vector<WCHAR>& units) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF;
    if (pair) c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00u);
    if (!pair && ((c >= 0xD800 && c <= 0xDFFF) || !AllowedInXml(c))) c = 0xFFFD;
    if (c == '\n') points.push_back('\r');
    points.push_back(c);
  }
  return points;
}

// What every report file must be: the byte-order mark, then strict UTF-8 (no overlong forms,
// surrogates or points past U+10FFFF) of characters that XML allows, every line feed after a
// CR. Returns the code points after the mark.
inline std::vector<uint32_t> CheckReportBytes(const std::string& bytes) {
  static const uint32_t kLowest[] = {0, 0x80, 0x800, 0x10000};
  FUZZ_CHECK(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0);
  std::vector<uint32_t> points;
  for (size_t i = 3; i < bytes.size(); ++i) {
    uint8_t lead = static_cast<uint8_t>(bytes[i]);
    int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    FUZZ_CHECK((lead < 0x80 || lead >= 0xC2) && lead <= 0xF4 && bytes.size() - i > size_t(extra));
    uint32_t c = extra == 0 ? lead : lead & (0x3Fu >> extra);
    for (int k = 0; k < extra; ++k, c = (c << 6) | (bytes[i] & 0x3Fu))
      FUZZ_CHECK((bytes[++i] & 0xC0) == 0x80);
    FUZZ_CHECK(c >= kLowest[extra] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF));
    FUZZ_CHECK(AllowedInXml(c) && (c != '\n' || (!points.empty() && points.back() == '\r')));
    points.push_back(c);
  }
  return points;
}

// A whole run over the machine, with its files inside the host folder whatever it says, and
// what must hold after it for any machine: status 0, every key closed, every library load and
// socket start undone, no record file left, and a report (if any) in the report's byte form.
inline void RunAndCheck(sim::Machine* machine) {
  HostFolder folder;
  machine->facts.driveFolders.clear();
  machine->facts.driveFolders['C'] = HostFolder::Path();
  machine->facts.modulePath = "C:\\sorvik\\sorvik.exe";
  machine->facts.tempPath = "C:\\TEMP\\";
  for (const char* made : {"/TEMP", "/sorvik"})
    std::filesystem::create_directories(folder.Path() + made);
  sim::Install(machine);
  int status = SorvikMain("/out:\"C:\\report.xml\"");
  sim::Install(nullptr);
  FUZZ_CHECK(status == 0);
  FUZZ_CHECK(machine->OpenHandleCount() == 0);
  FUZZ_CHECK(machine->socketStarts == 0);
  FUZZ_CHECK(std::filesystem::is_empty(HostFolder::Path() + "/TEMP"));
  std::string bytes = HostFolder::Read("report.xml");
  if (!bytes.empty()) CheckReportBytes(bytes);
}

}  // namespace fuzz
