// Shared pieces of the hardware tests: asking a slot for its answer, and registry layouts
// of services, device instances and monitors.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "hardware/hw_fetcher.h"
#include "platform/sim/builder.h"

namespace hwtest {

// A slot's result and the text it left in a zero-filled buffer of capacity + 1.
struct Answer {
  bool result;
  std::string text;
};

inline bool operator==(const Answer& a, const Answer& b) {
  return a.result == b.result && a.text == b.text;
}
inline std::ostream& operator<<(std::ostream& out, const Answer& a) {
  return out << (a.result ? "true" : "false") << " \"" << a.text << "\"";
}

typedef bool (CHwFetcher::*Slot)(char* buffer, int capacity);

inline Answer Ask(CHwFetcher& fetcher, Slot slot, int capacity = 2048) {
  std::vector<char> buffer(static_cast<size_t>(capacity) + 1, '\0');
  bool result = (fetcher.*slot)(buffer.data(), capacity);
  return {result, std::string(buffer.data())};
}

inline Answer AskClass(CHwFetcher& fetcher, const char* className, int capacity = 2048) {
  std::vector<char> buffer(static_cast<size_t>(capacity) + 1, '\0');
  bool result = fetcher.GetDevicesOfClass(className, buffer.data(), capacity);
  return {result, std::string(buffer.data())};
}

const char kServices[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
const char kDisplay[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\";

typedef std::vector<std::pair<std::string, std::string>> Values;

// A service subkey ("Enum" or any other) holding instance values ("0", "1", ...).
inline void AddServiceSubkey(sim::MachineBuilder& builder, const std::string& service,
                             const std::string& subkey, const Values& values) {
  builder.Key(kServices + service + "\\" + subkey);
  for (const auto& value : values) builder.String(value.first, value.second);
}

// A device instance in the Enum tree with its text values.
inline void AddDevice(sim::MachineBuilder& builder, const std::string& instance,
                      const Values& values) {
  builder.Key(kEnum + instance);
  for (const auto& value : values) builder.String(value.first, value.second);
}

// A string value stored with `dataBytes` bytes of data: `dataBytes - 1` letters and the
// terminator.
inline sim::Bytes TextOfBytes(size_t dataBytes, char letter = 'x') {
  sim::Bytes data(dataBytes, static_cast<uint8_t>(letter));
  data.back() = 0;
  return data;
}

}  // namespace hwtest
