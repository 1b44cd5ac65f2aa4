#include "common/system.h"

#include <cstring>

#include "common/late_bound.h"

WORD GetNativeArchitecture() {
  PGETNATIVESYSTEMINFO getNativeSystemInfo =
      LookUpKernelFunction<PGETNATIVESYSTEMINFO>("GetNativeSystemInfo");
  if (getNativeSystemInfo == nullptr) return PROCESSOR_ARCHITECTURE_UNKNOWN;
  SYSTEM_INFO system;
  std::memset(&system, 0, sizeof(system));
  getNativeSystemInfo(&system);
  return system.wProcessorArchitecture;
}

WORD GetWindowsArchitecture() {
  WORD architecture = GetNativeArchitecture();
  if (architecture != PROCESSOR_ARCHITECTURE_UNKNOWN) return architecture;
  SYSTEM_INFO system;
  std::memset(&system, 0, sizeof(system));
  GetSystemInfo(&system);
  return system.wProcessorArchitecture;
}
