// The .reg loader, then a whole run over the registry it built: any bytes are accepted or
// refused with the file named, and the program survives any registry. The input's length
// picks the machine (so that the file itself stays a plain .reg file): Windows XP, Vista or
// 98, in code page 1252, 1251 or 932.
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/sim/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::Machine machine;
  sim::Facts& facts = machine.facts;
  if (size % 3 == 1) {  // Vista
    facts.majorVersion = 6;
    facts.minorVersion = 0;
    facts.hasGetProductInfo = true;
    facts.productInfoType = 6;
  }
  if (size % 3 == 2) {  // Windows 98
    facts.majorVersion = 4;
    facts.minorVersion = 10;
    facts.platformId = VER_PLATFORM_WIN32_WINDOWS;
    facts.hasGetNativeSystemInfo = facts.hasGlobalMemoryStatusEx = false;
  }
  const UINT kCodePages[] = {1252, 1251, 932};  // a double-byte one as well
  facts.ansiCodePage = kCodePages[size / 3 % 3];
  facts.drives[2].type = DRIVE_FIXED;
  facts.drives[2].totalBytes = facts.drives[2].freeBytes = 40ull << 30;
  facts.drives[2].totalClusters = facts.drives[2].freeClusters = 10 << 20;  // 4 KB each
  std::string error;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!sim::ImportRegText(bytes, "fuzz.reg", facts.ansiCodePage, &machine.registry, &error)) {
    FUZZ_CHECK(error.compare(0, 9, "fuzz.reg:") == 0);
    return 0;
  }
  fuzz::RunAndCheck(&machine);
  return 0;
}
