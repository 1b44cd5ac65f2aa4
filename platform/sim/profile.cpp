// A machine profile folder: machine.ini, then the .reg files in name order.
#include "platform/sim/profile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/internal.h"

namespace sim {

namespace {

bool ReadFile(const std::string& path, std::string* bytes, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = path + ": cannot open (" + std::strerror(errno) + ")";
    return false;
  }
  std::ostringstream content;
  content << file.rdbuf();
  *bytes = content.str();
  return true;
}

bool IsRegFile(const std::string& name) {
  return name.size() > 4 && EqualNoCase(name.substr(name.size() - 4), ".reg");
}

bool RegFiles(const std::string& folder, std::vector<std::string>* names, std::string* error) {
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) {
    *error = folder + ": cannot open the profile folder (" + std::strerror(errno) + ")";
    return false;
  }
  while (dirent* entry = readdir(directory)) {
    std::string name = entry->d_name;
    struct stat info;
    if (IsRegFile(name) && stat((folder + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode))
      names->push_back(name);
  }
  closedir(directory);
  std::sort(names->begin(), names->end());
  return true;
}

}  // namespace

bool LoadProfile(const std::string& folder, Machine* machine, std::string* error) {
  std::vector<std::string> regFiles;
  if (!RegFiles(folder, &regFiles, error)) return false;
  std::string iniPath = folder + "/machine.ini";
  std::string bytes;
  if (!ReadFile(iniPath, &bytes, error) || !ParseMachineIni(bytes, iniPath, folder, machine, error))
    return false;
  for (const std::string& name : regFiles) {
    std::string path = folder + "/" + name;
    if (!ReadFile(path, &bytes, error) ||
        !ImportRegText(bytes, path, machine->facts.ansiCodePage, &machine->registry, error))
      return false;
  }
  return true;
}

}  // namespace sim
