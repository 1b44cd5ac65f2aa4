// COsInfo: the OS generation code, the OS display name and the raw version data.
#pragma once

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
  kOsVista = 8
};

class COsInfo {
 public:
  int GetOsGeneration();
  bool GetOsFullName(char* output, int capacity);
  bool GetProductId(char* output, int capacity);
  bool GetVersionData(int* major, int* minor, int* platformId, char* servicePack, int capacity);
  bool GetEditionName(unsigned long productType, char* output, int capacity);
};
