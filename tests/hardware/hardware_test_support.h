// Shared pieces of the hardware tests: a machine to build and install, device layouts, and a
// slot's answer as one text.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hardware/hw_fetcher.h"
#include "platform/sim/builder.h"

namespace hwtest {

typedef std::vector<std::pair<std::string, std::string>> Values;
typedef bool (CHwFetcher::*Slot)(char* buffer, int capacity);

// The text a call leaves in a zero-filled area of capacity + 1, with "!" in front when the
// call answered false.
template <class Call>
std::string Answer(Call call, int capacity = 2048) {
  std::vector<char> buffer(static_cast<size_t>(capacity) + 1, '\0');
  bool result = call(buffer.data(), capacity);
  return (result ? "" : "!") + std::string(buffer.data());
}
inline std::string Ask(CHwFetcher& fetcher, Slot slot, int capacity = 2048) {
  return Answer([&](char* b, int c) { return (fetcher.*slot)(b, c); }, capacity);
}

// A string value of `dataBytes` bytes: letters and the terminator.
inline sim::Bytes TextOfBytes(size_t dataBytes, char letter = 'x') {
  sim::Bytes data(dataBytes, static_cast<uint8_t>(letter));
  data.back() = 0;
  return data;
}

// Every test ends with all registry keys closed.
class HwTest : public ::testing::Test {
 protected:
  // The machine stays the builder's: keys added later are there at once.
  void Install() {
    if (!installed_) installed_ = std::make_unique<sim::ScopedMachine>(machine());
  }
  void TearDown() override { EXPECT_EQ(machine().OpenHandleCount(), 0); }
  sim::Machine& machine() { return builder_.machine(); }
  sim::MachineBuilder& Key(const std::string& path, const Values& values = {}) {
    builder_.Key(path);
    for (const auto& value : values) builder_.String(value.first, value.second);
    return builder_;
  }
  // A service subkey holding instance values "0", "1", ...; a device instance of the Enum tree.
  void Service(const std::string& service, const std::string& subkey, const Values& values) {
    Key("SYSTEM\\CurrentControlSet\\Services\\" + service + "\\" + subkey, values);
  }
  sim::MachineBuilder& Device(const std::string& instance, const Values& values) {
    return Key("SYSTEM\\CurrentControlSet\\Enum\\" + instance, values);
  }

  sim::MachineBuilder builder_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

}  // namespace hwtest
