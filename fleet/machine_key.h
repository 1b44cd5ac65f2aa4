#pragma once

#include <string>

namespace fleet {

// Which machine a report describes, so that its reports over time fall together: the firmware
// UUID, else maker and serial number, else the computer name, else the file itself. Values that
// firmware writes when nobody filled them in don't count (see docs/fleet.md).
std::string MachineKey(const std::string& uuid, const std::string& manufacturer,
                       const std::string& serial_number, const std::string& computer_name,
                       const std::string& path);

bool IsPlaceholderUuid(const std::string& uuid);
bool IsPlaceholderSerial(const std::string& serial);

}  // namespace fleet
