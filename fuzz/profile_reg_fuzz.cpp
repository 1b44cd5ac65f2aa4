// The .reg loader, then a whole run over the registry it built. The loader must accept or
// refuse any bytes with a located error; what it accepted must read back through the
// registry functions exactly as stored; and the program must survive any registry.
//
// The machine is chosen by the input's length (so that the file itself stays a plain .reg
// file): Windows XP, 2000, Server 2003, Vista or 98, in code page 1252, 1251 or 932.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/replay_check.h"
#include "platform/sim/profile.h"

namespace {

void DescribeSystem(size_t choice, sim::Facts* facts) {
  switch (choice % 5) {
    case 1:  // Windows 2000
      facts->minorVersion = 0;
      facts->buildNumber = 2195;
      facts->csdVersion = "Service Pack 4";
      facts->servicePackMajor = 4;
      break;
    case 2:  // Server 2003
      facts->minorVersion = 2;
      facts->buildNumber = 3790;
      facts->productType = VER_NT_SERVER;
      break;
    case 3:  // Vista
      facts->majorVersion = 6;
      facts->minorVersion = 0;
      facts->buildNumber = 6001;
      facts->hasGetProductInfo = true;
      facts->productInfoType = 6;
      break;
    case 4:  // Windows 98
      facts->majorVersion = 4;
      facts->minorVersion = 10;
      facts->buildNumber = 1998;
      facts->platformId = VER_PLATFORM_WIN32_WINDOWS;
      facts->csdVersion = " A ";
      facts->hasGetNativeSystemInfo = false;
      facts->hasGlobalMemoryStatusEx = false;
      break;
    default:  // Windows XP, the defaults
      break;
  }
  const UINT kCodePages[] = {1252, 1251, 932};  // a double-byte one as well
  facts->ansiCodePage = kCodePages[(choice / 5) % 3];
  facts->drives[2].type = DRIVE_FIXED;
  facts->drives[2].totalBytes = 40ull << 30;
  facts->drives[2].freeBytes = 12ull << 30;
  facts->drives[2].totalClusters = static_cast<DWORD>(facts->drives[2].totalBytes / 4096);
  facts->drives[2].freeClusters = static_cast<DWORD>(facts->drives[2].freeBytes / 4096);
  facts->drives[3].type = DRIVE_CDROM;
  facts->drives[3].sizeReadable = false;
}

// Every key and value that the import stored, read back through the Win32 functions with
// areas of exactly the size they need.
void CheckReadBack(HKEY root, const std::string& path, const sim::Key& key, int* budget) {
  if (--*budget < 0) return;
  HKEY handle = nullptr;
  LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &handle);
  FUZZ_CHECK(opened == ERROR_SUCCESS);
  for (size_t i = 0; i < key.subkeys.size(); ++i) {
    const std::string& name = key.subkeys[i]->name;
    std::vector<char> area(name.size() + 1, 'x');
    DWORD length = static_cast<DWORD>(area.size());
    FUZZ_CHECK(RegEnumKeyExA(handle, static_cast<DWORD>(i), area.data(), &length, nullptr, nullptr,
                             nullptr, nullptr) == ERROR_SUCCESS);
    FUZZ_CHECK(length == name.size() && std::string(area.data(), length) == name);
    length = static_cast<DWORD>(name.size());  // no room for the terminator
    FUZZ_CHECK(RegEnumKeyExA(handle, static_cast<DWORD>(i), area.data(), &length, nullptr, nullptr,
                             nullptr, nullptr) == ERROR_MORE_DATA);
  }
  std::vector<char> area(8);
  DWORD length = static_cast<DWORD>(area.size());
  FUZZ_CHECK(RegEnumKeyExA(handle, static_cast<DWORD>(key.subkeys.size()), area.data(), &length,
                           nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS);
  for (const sim::Value& value : key.values) {
    // A name with a NUL byte in it cannot be asked for by a C text.
    if (value.name.find('\0') != std::string::npos) continue;
    DWORD type = 0;
    DWORD size = 0;
    FUZZ_CHECK(RegQueryValueExA(handle, value.name.c_str(), nullptr, &type, nullptr, &size) ==
               ERROR_SUCCESS);
    FUZZ_CHECK(type == value.type && size == value.data.size());
    std::vector<BYTE> data(size + 1, 0xEE);
    FUZZ_CHECK(RegQueryValueExA(handle, value.name.c_str(), nullptr, nullptr, data.data(), &size) ==
               ERROR_SUCCESS);
    FUZZ_CHECK(std::memcmp(data.data(), value.data.data(), value.data.size()) == 0);
    FUZZ_CHECK(data[value.data.size()] == 0xEE);
    if (size > 0) {
      DWORD shorter = size - 1;
      FUZZ_CHECK(RegQueryValueExA(handle, value.name.c_str(), nullptr, nullptr, data.data(),
                                  &shorter) == ERROR_MORE_DATA);
      FUZZ_CHECK(shorter == size);
    }
  }
  FUZZ_CHECK(RegCloseKey(handle) == ERROR_SUCCESS);
  for (const auto& subkey : key.subkeys)
    if (subkey->name.find('\0') == std::string::npos)
      CheckReadBack(root, path.empty() ? subkey->name : path + "\\" + subkey->name, *subkey,
                    budget);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::HostFolder folder;
  sim::Machine machine;
  DescribeSystem(size, &machine.facts);
  std::string error;
  if (!sim::ImportRegText(bytes, "fuzz.reg", machine.facts.ansiCodePage, &machine.registry,
                          &error)) {
    FUZZ_CHECK(error.compare(0, 9, "fuzz.reg:") == 0);
    return 0;
  }

  sim::Install(&machine);
  int budget = 2000;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_DYN_DATA}) {
    const sim::Key* top = machine.registry.Root(root);
    if (top != nullptr) CheckReadBack(root, "", *top, &budget);
  }
  sim::Install(nullptr);
  FUZZ_CHECK(machine.OpenHandleCount() == 0);
  machine.calls.clear();
  machine.openedKeyPaths.clear();

  fuzz::ConfineFiles(&machine);
  fuzz::RunAndCheckReport(&machine);
  return 0;
}
