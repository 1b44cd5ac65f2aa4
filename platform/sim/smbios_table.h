// The bytes of a simulated SMBIOS table, as GetSystemFirmwareTable('RSMB') returns them.
#pragma once

#include <string>

#include "platform/sim/facts.h"

namespace sim {

// The raw bytes when given, else the RawSMBIOSData header (calling method 0, the version, DMI
// revision 0, the length) and the structures of types 0, 1, 2 and 3 and the end structure,
// each with its strings, as firmware of that version lays them out.
std::string BuildSmbiosAnswer(const Smbios& smbios);

// Reads a UUID as Windows shows it into its 16 bytes in the shown order; false when the text
// is not 8-4-4-4-12 hexadecimal digits.
bool ParseUuid(const std::string& text, unsigned char bytes[16]);

}  // namespace sim
