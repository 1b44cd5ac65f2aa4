// A fresh host folder per test, mapped to a drive of the simulated machine.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class HostFolder {
 public:
  HostFolder() {
    char pattern[] = "/tmp/sorvik-test-XXXXXX";
    path_ = mkdtemp(pattern) != nullptr ? pattern : "";
  }
  ~HostFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  HostFolder(const HostFolder&) = delete;
  HostFolder& operator=(const HostFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string At(const std::string& relative) const { return path_ + "/" + relative; }
  void MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(At(relative));
  }
  void Write(const std::string& relative, const std::string& bytes) const {
    std::ofstream(At(relative), std::ios::binary) << bytes;
  }
  bool Exists(const std::string& relative) const { return std::filesystem::exists(At(relative)); }
  std::string Read(const std::string& relative) const {
    std::ifstream in(At(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> List(const std::string& relative) const {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(At(relative), ignored))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};
