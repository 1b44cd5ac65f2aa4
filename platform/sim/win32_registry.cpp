// RegOpenKeyExA, RegEnumKeyExA, RegQueryValueExA and RegCloseKey over the machine's registry.
#include <algorithm>
#include <cstring>

#include "platform/sim/internal.h"
#include "platform/win32.h"

using sim::Key;
using sim::Machine;
using sim::OpenKey;

namespace {

enum : REGSAM {
  kAllAccess = 0xF003F,
  kMaximumAllowed = 0x02000000,
  kGenericAll = 0x10000000,
  kGenericRead = 0x80000000,
};

const int kJunk = 0xCC;  // what a planned ERROR_MORE_DATA leaves in the caller's area

bool IsPredefined(HKEY key) {
  ULONG_PTR value = reinterpret_cast<ULONG_PTR>(key);
  return value >= 0x80000000u && value <= 0x80000006u;
}

// Finds the key behind a handle (a predefined root or an open handle).
LONG Resolve(Machine& machine, HKEY handle, Key** key, OpenKey* opened) {
  // Names compare in the machine's code page, which a test may have set after making keys.
  machine.registry.SetCodePage(machine.facts.ansiCodePage);
  if (IsPredefined(handle)) {
    *key = machine.registry.Root(handle);
    if (*key == nullptr) return ERROR_INVALID_HANDLE;
    opened->root = handle;
    opened->path.clear();
    opened->access = kAllAccess;
    return ERROR_SUCCESS;
  }
  auto at = machine.state.handles.find(reinterpret_cast<ULONG_PTR>(handle));
  if (at == machine.state.handles.end()) return ERROR_INVALID_HANDLE;
  *opened = at->second;
  *key = machine.registry.Find(opened->root, opened->path);
  return *key != nullptr ? ERROR_SUCCESS : static_cast<LONG>(sim::kErrorKeyDeleted);
}

// Windows 9x has no access rights; NT grants what the handle was opened for.
bool Allowed(const Machine& machine, const OpenKey& opened, REGSAM needed) {
  if (machine.facts.platformId != VER_PLATFORM_WIN32_NT) return true;
  REGSAM granted = opened.access;
  if (granted & (kMaximumAllowed | kGenericAll)) granted |= kAllAccess;
  if (granted & kGenericRead) granted |= KEY_READ;
  return (granted & needed) == needed;
}

// The view flags: a 64-bit Windows takes one of them, never both; Windows 2000 and NT 4.0
// know neither and refuse them; 9x and 32-bit XP and later ignore them.
LONG CheckViewFlags(const Machine& machine, REGSAM access) {
  REGSAM views = access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  if (views == 0) return ERROR_SUCCESS;
  if (sim::IsWindows64(machine.facts)) {
    return views == (KEY_WOW64_64KEY | KEY_WOW64_32KEY) ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  }
  const sim::Facts& facts = machine.facts;
  bool beforeXp = facts.majorVersion < 5 || (facts.majorVersion == 5 && facts.minorVersion == 0);
  if (facts.platformId == VER_PLATFORM_WIN32_NT && beforeXp) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// On 64-bit Windows a program sees HKEY_LOCAL_MACHINE\SOFTWARE in two views: the 64-bit one
// is the key itself, the 32-bit one is its Wow6432Node subkey, which is where a regedit export
// of the machine shows it. An open that walks from the root into SOFTWARE reaches the program's
// own view (the 32-bit one, unless Facts::program64Bit) or the one its view flag asks for; an
// open below an opened key stays in that key's view; a path that names Wow6432Node itself is
// taken as is.
void Redirect(const Machine& machine, HKEY root, REGSAM access, std::vector<std::string>* names) {
  if (root != HKEY_LOCAL_MACHINE || !sim::IsWindows64(machine.facts)) return;
  bool view32 = machine.facts.program64Bit ? (access & KEY_WOW64_32KEY) != 0
                                           : (access & KEY_WOW64_64KEY) == 0;
  if (!view32 || names->empty()) return;
  UINT codePage = machine.registry.CodePage();
  if (sim::CompareNames((*names)[0], "SOFTWARE", codePage) != 0) return;
  if (names->size() > 1 && sim::CompareNames((*names)[1], sim::kWow64Node, codePage) == 0) return;
  names->insert(names->begin() + 1, sim::kWow64Node);
}

HKEY NewHandle(Machine& machine, const OpenKey& opened) {
  ULONG_PTR value = machine.state.nextHandle;
  machine.state.nextHandle += 4;
  machine.state.handles[value] = opened;
  return reinterpret_cast<HKEY>(value);
}

// A planned failure of a query that would have succeeded. Windows leaves the data area
// undefined when it reports ERROR_MORE_DATA; junk in it shows a caller that reads it anyway.
LONG Refuse(const sim::Fault& fault, DWORD size, LPBYTE data, LPDWORD dataSize) {
  if (fault.error == ERROR_MORE_DATA && data != nullptr) {
    std::memset(data, kJunk, *dataSize);
    *dataSize = std::max(size, *dataSize + 1);
  }
  return static_cast<LONG>(fault.error);
}

}  // namespace

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult) {
  (void)ulOptions;
  Machine& machine = sim::Enter("RegOpenKeyExA");
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  Key* key = nullptr;
  OpenKey parent;
  LONG result = Resolve(machine, hKey, &key, &parent);
  if (result != ERROR_SUCCESS) return result;
  result = CheckViewFlags(machine, samDesired);
  if (result != ERROR_SUCCESS) return result;
  std::vector<std::string> names;
  if (!sim::SplitKeyPath(lpSubKey != nullptr ? lpSubKey : "", machine.facts.ansiCodePage, &names))
    return sim::kErrorBadPathname;
  if (parent.path.empty()) Redirect(machine, parent.root, samDesired, &names);
  std::string path = parent.path;
  for (const std::string& name : names) {
    key = key->FindSubkey(name);
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    path = sim::JoinKeyPath(path, name);
  }
  sim::FaultSubject subject;
  subject.path = path;
  if (const sim::Fault* fault = sim::PlannedFault(machine, "RegOpenKeyExA", subject))
    return static_cast<LONG>(fault->error);
  OpenKey opened;
  opened.root = parent.root;
  opened.path = path;
  opened.access = samDesired;
  *phkResult = NewHandle(machine, opened);
  machine.openedKeyPaths.push_back(path);
  return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                          LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                          PFILETIME lpftLastWriteTime) {
  Machine& machine = sim::Enter("RegEnumKeyExA");
  if (lpReserved != nullptr || lpName == nullptr || lpcchName == nullptr ||
      (lpClass != nullptr && lpcchClass == nullptr))
    return ERROR_INVALID_PARAMETER;
  Key* key = nullptr;
  OpenKey opened;
  LONG result = Resolve(machine, hKey, &key, &opened);
  if (result != ERROR_SUCCESS) return result;
  if (!Allowed(machine, opened, KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  if (dwIndex >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& name = key->subkeys[dwIndex]->name;
  // Our keys have an empty class: it needs room for its terminator only.
  if (name.size() >= *lpcchName || (lpClass != nullptr && *lpcchClass == 0)) return ERROR_MORE_DATA;
  sim::FaultSubject subject;
  subject.path = opened.path;
  subject.index = static_cast<long>(dwIndex);
  if (const sim::Fault* fault = sim::PlannedFault(machine, "RegEnumKeyExA", subject))
    return static_cast<LONG>(fault->error);
  std::memcpy(lpName, name.c_str(), name.size() + 1);
  *lpcchName = static_cast<DWORD>(name.size());
  if (lpClass != nullptr) lpClass[0] = '\0';
  if (lpcchClass != nullptr) *lpcchClass = 0;
  if (lpftLastWriteTime != nullptr) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
  Machine& machine = sim::Enter("RegQueryValueExA");
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
    return ERROR_INVALID_PARAMETER;
  Key* key = nullptr;
  OpenKey opened;
  LONG result = Resolve(machine, hKey, &key, &opened);
  if (result != ERROR_SUCCESS) return result;
  if (!Allowed(machine, opened, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const sim::Value* value = key->FindValue(lpValueName != nullptr ? lpValueName : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  DWORD size = static_cast<DWORD>(value->data.size());
  if (lpData == nullptr || size <= *lpcbData) {
    sim::FaultSubject subject;
    subject.path = opened.path;
    subject.value = value->name.c_str();
    if (const sim::Fault* fault = sim::PlannedFault(machine, "RegQueryValueExA", subject))
      return Refuse(*fault, size, lpData, lpcbData);
  }
  if (lpType != nullptr) *lpType = value->type;
  if (lpData != nullptr) {
    if (size > *lpcbData) {
      *lpcbData = size;
      return ERROR_MORE_DATA;  // and nothing is copied
    }
    if (size > 0) std::memcpy(lpData, value->data.data(), size);
  }
  if (lpcbData != nullptr) *lpcbData = size;
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  Machine& machine = sim::Enter("RegCloseKey");
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  if (machine.state.handles.erase(reinterpret_cast<ULONG_PTR>(hKey)) == 0)
    return ERROR_INVALID_HANDLE;
  return ERROR_SUCCESS;
}
