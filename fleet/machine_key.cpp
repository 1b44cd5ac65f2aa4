#include "fleet/machine_key.h"

namespace fleet {
namespace {

// Keep in step with the lists in docs/fleet.md.
const char* const kPlaceholderUuids[] = {
    "00000000-0000-0000-0000-000000000000",
    "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF",
    "03000200-0400-0500-0006-000700080009",
    "00020003-0004-0005-0006-000700080009",
};

const char* const kPlaceholderSerials[] = {
    "To Be Filled By O.E.M.",
    "To Be Filled",
    "Default string",
    "System Serial Number",
    "Chassis Serial Number",
    "Base Board Serial Number",
    "Serial Number",
    "SerialNumber",
    "Not Specified",
    "Not Applicable",
    "Not Available",
    "None",
    "N/A",
    "NA",
    "Unknown",
    "Invalid",
    "OEM",
    "O.E.M.",
    "Undefined",
    "0",
    "00000000",
    "0000000000",
    "123456789",
    "1234567890",
    "0123456789",
    "xxxxxxxxxxx",
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// ASCII only: non-ASCII letters are left as they are, bytes of UTF-8 intact.
std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

template <std::size_t N>
bool Listed(const std::string& value, const char* const (&list)[N]) {
  std::string key = Upper(Trimmed(value));
  for (const char* entry : list) {
    if (key == Upper(entry)) return true;
  }
  return false;
}

}  // namespace

bool IsPlaceholderUuid(const std::string& uuid) { return Listed(uuid, kPlaceholderUuids); }

bool IsPlaceholderSerial(const std::string& serial) { return Listed(serial, kPlaceholderSerials); }

std::string MachineKey(const std::string& uuid, const std::string& manufacturer,
                       const std::string& serial_number, const std::string& computer_name,
                       const std::string& path) {
  if (!Trimmed(uuid).empty() && !IsPlaceholderUuid(uuid)) return "uuid:" + uuid;
  if (!Trimmed(serial_number).empty() && !IsPlaceholderSerial(serial_number)) {
    return "serial:" + Upper(manufacturer) + "|" + serial_number;
  }
  if (!computer_name.empty()) return "name:" + Upper(computer_name);
  return "file:" + path;
}

}  // namespace fleet
