#include "sysid/os_info.h"

int COsInfo::GetOsGeneration() { return kOsWinXp; }
bool COsInfo::GetOsFullName(char*, int) { return false; }
bool COsInfo::GetProductId(char*, int) { return false; }
bool COsInfo::GetVersionData(int*, int*, int*, char*, int) { return false; }
bool COsInfo::GetEditionName(unsigned long, char*, int) { return true; }
