// CSystemInfo: the machine as its firmware names it (manufacturer, model, serial numbers, UUID,
// chassis, BIOS), for the computer section's system block.
#pragma once

#include "sysid/smbios.h"

class CSystemInfo {
 public:
  CSystemInfo();
  virtual ~CSystemInfo();

  // Each copies its text (trimmed; empty where the machine has none) and returns whether the
  // machine had one.
  bool GetManufacturer(char* output, int capacity);
  bool GetModel(char* output, int capacity);
  bool GetSerialNumber(char* output, int capacity);
  bool GetUuid(char* output, int capacity);
  bool GetBoardSerialNumber(char* output, int capacity);
  bool GetChassisType(char* output, int capacity);
  bool GetAssetTag(char* output, int capacity);
  bool GetBiosVendor(char* output, int capacity);
  bool GetBiosVersion(char* output, int capacity);
  bool GetBiosDate(char* output, int capacity);

 private:
  // Reads the identity on the first question; the firmware's answer does not change in a run.
  const SmbiosIdentity& Identity();
  bool CopyText(const SystemText& text, char* output, int capacity);

  bool read_;
  SmbiosIdentity identity_;
};
