// The installed machine, call counting and the mapping of Windows paths to host folders.
#include "platform/sim/machine.h"

#include <unistd.h>

#include <climits>

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

}  // namespace

Machine::Machine() = default;

int Machine::OpenHandleCount() const { return static_cast<int>(state.handles.size()); }

void Install(Machine* machine) { g_installed = machine; }

Machine& Current() { return g_installed != nullptr ? *g_installed : DefaultMachine(); }

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

// "X:\a\b" becomes the drive's folder + "/a/b". A path without a drive letter is taken on
// C:, whose root is the simulated process's current folder; UNC paths have no host folder.
bool HostPath(const std::string& windowsPath, std::string* hostPath) {
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
  if (!DriveFolder(Current().facts, letter, &folder)) return false;
  for (char& c : rest)
    if (c == '\\') c = '/';
  size_t start = rest.find_first_not_of('/');
  rest = start == std::string::npos ? std::string() : rest.substr(start);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder != "/") folder += "/";
  *hostPath = rest.empty() ? folder : folder + rest;
  return true;
}

}  // namespace sim
