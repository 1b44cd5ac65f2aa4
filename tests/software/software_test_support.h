// Shared pieces of the software tests: a machine whose C: drive is a fresh host folder, and
// uninstall entries built in a line.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "platform/sim/builder.h"
#include "platform/sim/machine.h"

namespace swtest {

inline const char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline const char kPackagesPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based Servicing\\Packages";
inline const char kUninstallPath32[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline const char kRecordPath[] = "C:\\records.tmp";

// A host folder for the C: drive, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "swtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteHostFile(const std::string& hostPath, const std::string& text) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out << text;
}

// Test base: a machine under construction with C: mapped to a fresh folder. Install() puts
// it in place; every test ends with all registry keys closed.
class MachineTest : public ::testing::Test {
 protected:
  MachineTest() {
    builder_.With([this](sim::Facts& facts) { facts.driveFolders['C'] = folder_.path(); });
  }
  void TearDown() override {
    EXPECT_EQ(machine().OpenHandleCount(), 0) << "a registry key was left open";
    installed_.reset();
  }

  sim::Machine& machine() { return builder_.machine(); }
  sim::MachineBuilder& builder() { return builder_; }
  void Install() { installed_ = std::make_unique<sim::ScopedMachine>(machine()); }

  std::string HostPathOf(const std::string& windowsPath) {
    std::string host;
    EXPECT_TRUE(sim::HostPath(windowsPath, &host)) << windowsPath;
    return host;
  }
  std::string RecordHostPath() { return HostPathOf(kRecordPath); }
  std::string RecordFile() { return ReadHostFile(RecordHostPath()); }
  bool RecordFileExists() { return std::filesystem::exists(RecordHostPath()); }

  // An uninstall entry with string values; more values can follow through builder().
  // `under` names the uninstall key's root or view: the machine's (64-bit view on 64-bit
  // Windows), its 32-bit view ("Wow6432Node") or the user's ("HKCU").
  sim::MachineBuilder& Entry(const std::string& keyName,
                             std::initializer_list<std::pair<const char*, std::string>> texts,
                             const std::string& under = "") {
    if (under == "HKCU")
      builder_.Key(std::string(kUninstallPath) + "\\" + keyName, HKEY_CURRENT_USER);
    else if (under == "Wow6432Node")
      builder_.Key(std::string(kUninstallPath32) + "\\" + keyName);
    else
      builder_.Key(std::string(kUninstallPath) + "\\" + keyName);
    for (const auto& text : texts) builder_.String(text.first, text.second);
    return builder_;
  }

  TempFolder folder_;
  sim::MachineBuilder builder_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

// The bytes of a 4-byte number, for values stored with an unusual type or length.
inline sim::Bytes DwordBytes(uint32_t number) {
  return {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
          static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
}

}  // namespace swtest
