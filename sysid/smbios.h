// The machine as its firmware names it: the SMBIOS structure table that
// GetSystemFirmwareTable('RSMB') returns, read without trusting a byte of it.
#pragma once

#include "common/capacities.h"
#include "platform/win32.h"

typedef char SystemText[kSystemTextCapacity + 1];

// The texts of the report's system block. Each is trimmed of blanks at both ends and holds the
// bytes as the firmware stored them (the machine's ANSI code page), or is empty.
struct SmbiosIdentity {
  SystemText manufacturer;       // type 1
  SystemText model;              // type 1, product name
  SystemText serialNumber;       // type 1
  SystemText uuid;               // type 1, 8-4-4-4-12 upper-case hex; empty for all 00 or all FF
  SystemText boardSerialNumber;  // type 2
  SystemText chassisType;        // type 3, the standard's word, else the number
  SystemText assetTag;           // type 3
  SystemText biosVendor;         // type 0
  SystemText biosVersion;        // type 0
  SystemText biosDate;           // type 0, release date
};

// Copies `text` into `target` without blanks (space, tab) at either end, cut to the capacity.
void CopyTrimmed(SystemText& target, const char* text);

// Zero-fills `identity`, then reads `data`, `size` bytes as GetSystemFirmwareTable returns them
// (the RawSMBIOSData header: calling method, major, minor, DMI revision, DWORD length; then the
// structures), taking the first structure of each type. A fault in the table ends the reading
// and keeps what was read before it. False when there is no usable header.
bool ReadSmbiosIdentity(const BYTE* data, DWORD size, SmbiosIdentity* identity);
