// Shared pieces of the software scan tests: a machine whose C: drive is a fresh host folder,
// uninstall entries built in a line, and the record file the scan writes.
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
inline const char kRecordPath[] = "C:\\records.tmp";

class MachineTest : public ::testing::Test {
 protected:
  MachineTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "swtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
    builder_.With([this](sim::Facts& facts) { facts.driveFolders['C'] = folder_; });
  }
  ~MachineTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  void TearDown() override {
    EXPECT_EQ(machine().OpenHandleCount(), 0) << "a registry key was left open";
    installed_.reset();
  }

  sim::Machine& machine() { return builder_.machine(); }
  sim::MachineBuilder& builder() { return builder_; }
  void Install() {
    if (!installed_) installed_ = std::make_unique<sim::ScopedMachine>(machine());
  }

  std::string RecordHostPath() { return folder_ + "/records.tmp"; }
  std::string RecordFile() {
    std::ifstream in(RecordHostPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void WriteRecordFile(const std::string& text) {
    std::ofstream(RecordHostPath(), std::ios::binary | std::ios::trunc) << text;
  }

  // An uninstall entry with string values; more values can follow through the builder.
  // `under`: the machine's key (the 64-bit view on 64-bit Windows), its 32-bit view
  // ("Wow6432Node") or the user's ("HKCU").
  sim::MachineBuilder& Entry(const std::string& keyName,
                             std::initializer_list<std::pair<const char*, std::string>> texts,
                             const std::string& under = "") {
    const std::string path = std::string(kUninstallPath) + "\\" + keyName;
    if (under == "HKCU")
      builder_.Key(path, HKEY_CURRENT_USER);
    else if (under == "Wow6432Node")
      builder_.Key("SOFTWARE\\Wow6432Node" + path.substr(8));
    else
      builder_.Key(path);
    for (const auto& text : texts) builder_.String(text.first, text.second);
    return builder_;
  }

  std::string folder_;
  sim::MachineBuilder builder_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

}  // namespace swtest
