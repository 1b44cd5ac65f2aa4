// COsInfo: the OS generation code, the OS display name and the raw version data.
#pragma once

#include "platform/win32.h"

// OsGeneration codes
enum {
  kOsWin32s = 0,
  kOsWin95 = 1,
  kOsWin98 = 2,
  kOsNt4 = 3,
  kOsWin2000 = 4,
  kOsWinMe = 5,
  kOsWinXp = 6,
  kOsServer2003 = 7,
  kOsVistaAndLater = 8
};

class COsInfo {
 public:
  int GetOsGeneration();
  bool GetOsFullName(char* output, int capacity);
  bool GetProductId(char* output, int capacity);
  // `build` is the build number alone: Windows 9x keeps its version in the high word.
  bool GetVersionData(int* major, int* minor, int* platformId, DWORD* build, char* servicePack,
                      int capacity);
  // The feature release ("22H2"), the update revision (the 3803 of 19045.3803) and the
  // processor architecture of Windows itself ("x64" under a 32-bit program too).
  bool GetDisplayVersion(char* output, int capacity);
  bool GetUpdateRevision(char* output, int capacity);
  bool GetArchitecture(char* output, int capacity);
};
