// The installed machine, call counting and the mapping of Windows paths to host folders.
#include "platform/sim/machine.h"

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <system_error>

#include "platform/sim/codepage.h"
#include "platform/sim/internal.h"

namespace sim {

namespace {

Machine* g_installed = nullptr;

Machine& DefaultMachine() {
  static Machine machine;
  return machine;
}

std::string WorkingFolder() {
  char folder[PATH_MAX] = {};
  if (getcwd(folder, sizeof(folder)) == nullptr) return ".";
  return folder;
}

// The host folder of a drive letter, or false when the machine maps none.
bool DriveFolder(const Facts& facts, char letter, std::string* folder) {
  for (const auto& entry : facts.driveFolders) {
    if (FoldUpper(entry.first) == letter) {
      *folder = entry.second;
      return true;
    }
  }
  if (letter != 'C') return false;
  *folder = WorkingFolder();
  return true;
}

bool HostPathOn(const Facts& facts, const std::string& windowsPath, std::string* hostPath);

// The folder part of a Windows path: everything before its last backslash.
std::string WindowsFolder(const std::string& path) {
  size_t last = path.find_last_of('\\');
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace

bool CreateRunFolders(const Machine& machine, std::string* error) {
  std::vector<std::string> folders = {WindowsFolder(machine.facts.modulePath)};
  if (machine.facts.tempFolderExists) folders.push_back(machine.facts.tempPath);
  for (const std::string& folder : folders) {
    std::string host;
    if (folder.empty() || !HostPathOn(machine.facts, folder, &host)) continue;
    std::error_code failure;
    std::filesystem::create_directories(host, failure);
    if (failure || !std::filesystem::is_directory(host)) {
      *error = host + ": cannot create the folder of " + folder +
               (failure ? " (" + failure.message() + ")" : std::string(" (not a folder)"));
      return false;
    }
  }
  return true;
}

Machine::Machine() = default;

int Machine::OpenHandleCount() const { return static_cast<int>(state.handles.size()); }

void Install(Machine* machine) { g_installed = machine; }

Machine& Current() { return g_installed != nullptr ? *g_installed : DefaultMachine(); }

const char kWow64Node[] = "Wow6432Node";

bool IsWindows64(const Facts& facts) {
  WORD architecture = facts.nativeArchitecture;
  return architecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         architecture == PROCESSOR_ARCHITECTURE_IA64 ||
         architecture == PROCESSOR_ARCHITECTURE_ARM64;
}

Machine& Enter(const char* function) {
  Machine& machine = Current();
  ++machine.calls[function];
  return machine;
}

int DriveIndex(const char* path) {
  if (path == nullptr || path[0] == '\0' || path[1] != ':') return -1;
  char letter = FoldUpper(path[0]);
  return (letter >= 'A' && letter <= 'Z') ? letter - 'A' : -1;
}

bool HostPath(const std::string& windowsPath, std::string* hostPath) {
  return HostPathOn(Current().facts, windowsPath, hostPath);
}

namespace {

// "X:\a\b" becomes the drive's folder + "/a/b". A path without a drive letter is taken on
// C:, whose root is the simulated process's current folder; UNC paths have no host folder.
bool HostPathOn(const Facts& facts, const std::string& windowsPath, std::string* hostPath) {
  char letter = 'C';
  std::string rest = windowsPath;
  int drive = DriveIndex(windowsPath.c_str());
  if (drive >= 0) {
    letter = static_cast<char>('A' + drive);
    rest = windowsPath.substr(2);
  } else if (windowsPath.compare(0, 2, "\\\\") == 0) {
    return false;
  }
  std::string folder;
  if (!DriveFolder(facts, letter, &folder)) return false;
  // The separators only: a double-byte character may end in 0x5C.
  for (size_t at = FindBackslash(facts.ansiCodePage, rest); at != std::string::npos;
       at = FindBackslash(facts.ansiCodePage, rest, at + 1))
    rest[at] = '/';
  size_t start = rest.find_first_not_of('/');
  rest = start == std::string::npos ? std::string() : rest.substr(start);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder != "/") folder += "/";
  *hostPath = rest.empty() ? folder : folder + rest;
  return true;
}

}  // namespace

}  // namespace sim
