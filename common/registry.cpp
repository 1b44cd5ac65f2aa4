#include "common/registry.h"

#include <cstring>

#include "common/system.h"

namespace {

// What an index loop does after RegEnumKeyExA: a name too long for the area skips that
// index; the end of the list ends the loop, and so does a failure of the handle itself
// (key deleted meanwhile, no right to enumerate), which every later index would repeat.
enum EnumStep { kEnumEntry, kEnumSkip, kEnumEnd };

EnumStep NextEnumStep(LONG result) {
  if (result == ERROR_SUCCESS) return kEnumEntry;
  if (result == ERROR_MORE_DATA) return kEnumSkip;
  return kEnumEnd;
}

// Enumerates the subkey at `index` into `name` (zero-filled first, the class area likewise).
// Returns the registry's result.
LONG EnumSubkey(HKEY key, DWORD index, KeyName& name) {
  KeyName className;
  std::memset(name, 0, sizeof(name));
  std::memset(className, 0, sizeof(className));
  DWORD nameSize = kKeyNameCapacity;
  DWORD classSize = kKeyNameCapacity;
  FILETIME written;
  return RegEnumKeyExA(key, index, name, &nameSize, nullptr, className, &classSize, &written);
}

}  // namespace

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

SubkeyWalk::SubkeyWalk(Ending ending, DWORD indexLimit)
    : ending_(ending), indexLimit_(indexLimit), index_(0), ended_(true), name_() {}

bool SubkeyWalk::Open(HKEY root, const char* path, REGSAM access) {
  child_.Close();
  index_ = 0;
  ended_ = !parent_.Open(root, path, access);
  return !ended_;
}

bool SubkeyWalk::Next() {
  child_.Close();
  while (!ended_ && index_ < indexLimit_) {
    LONG result = EnumSubkey(parent_.Get(), index_++, name_);
    EnumStep step = NextEnumStep(result);
    if (ending_ == kEndAtAnyFailure && result != ERROR_SUCCESS) step = kEnumEnd;
    if (step == kEnumEntry) return true;
    if (step == kEnumEnd) break;
  }
  // Once ended, the registry is not asked again.
  ended_ = true;
  return false;
}

bool SubkeyWalk::NextChild(REGSAM access) {
  while (Next()) {
    if (child_.Open(parent_.Get(), name_, access)) return true;
  }
  return false;
}

void SubkeyWalk::Close() {
  child_.Close();
  parent_.Close();
  ended_ = true;
}
