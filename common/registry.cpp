#include "common/registry.h"

#include <cstring>

#include "common/system.h"

bool KeyHolder::Open(HKEY root, const char* path, REGSAM access) {
  Close();
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path, 0, access, &opened) != ERROR_SUCCESS) return false;
  key_ = opened;
  return true;
}

void KeyHolder::Close() {
  if (key_ != nullptr) RegCloseKey(key_);
  key_ = nullptr;
}

bool ReadValueText(HKEY key, const char* name, char* area, DWORD offered) {
  std::memset(area, 0, static_cast<size_t>(offered) + 1);
  DWORD size = offered;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(area), &size) !=
      ERROR_SUCCESS) {
    std::memset(area, 0, static_cast<size_t>(offered) + 1);
    return false;
  }
  return true;
}

bool ReadValueDword(HKEY key, const char* name, DWORD* number) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size) !=
      ERROR_SUCCESS)
    return false;
  *number = value;
  return true;
}

EnumStep NextEnumStep(LONG result) {
  if (result == ERROR_SUCCESS) return kEnumEntry;
  if (result == ERROR_MORE_DATA) return kEnumSkip;
  return kEnumEnd;
}

LONG EnumSubkey(HKEY key, DWORD index, char* name) {
  enum { kNameCapacity = 512 };
  char className[kNameCapacity + 1];
  std::memset(name, 0, kNameCapacity + 1);
  std::memset(className, 0, sizeof(className));
  DWORD nameSize = kNameCapacity;
  DWORD classSize = kNameCapacity;
  FILETIME written;
  return RegEnumKeyExA(key, index, name, &nameSize, nullptr, className, &classSize, &written);
}

int GetSoftwareViews(REGSAM views[kMaxRegistryViews]) {
  WORD architecture = GetNativeArchitecture();
  if (architecture == PROCESSOR_ARCHITECTURE_AMD64 || architecture == PROCESSOR_ARCHITECTURE_IA64 ||
      architecture == PROCESSOR_ARCHITECTURE_ARM64) {
    views[0] = KEY_WOW64_64KEY;
    views[1] = KEY_WOW64_32KEY;
    return 2;
  }
  views[0] = 0;
  return 1;
}
