// The simulated machine's registry store: keys and values with Windows' semantics, which
// the registry functions of platform/win32.h act on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace sim {

using Bytes = std::vector<uint8_t>;

// One registry value: its type and its raw bytes, exactly as stored.
struct Value {
  std::string name;
  DWORD type = REG_NONE;
  Bytes data;
};

// One registry key. Subkeys and values are kept in case-insensitive sorted order,
// which is the order in which they are enumerated.
struct Key {
  std::string name;
  bool isVolatile = false;
  UINT codePage = 1252;  // the registry's, which its names are compared in
  std::vector<std::unique_ptr<Key>> subkeys;
  std::vector<Value> values;

  Key* FindSubkey(const std::string& name) const;
  const Value* FindValue(const std::string& name) const;
};

// The registry roots the program reads. Paths are backslash-separated and relative to a
// root; names compare without regard to case, every letter of the ANSI code page folded as
// Windows folds the names' UTF-16 form, and sort by those upper-cased units.
//
// The Win32 functions over it follow Windows NT as Wine's registry server models it:
// - a path may not start with a backslash (ERROR_BAD_PATHNAME); runs of backslashes between
//   names and trailing ones are ignored;
// - HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_DYN_DATA are the roots; any other handle,
//   and HKEY_DYN_DATA on a machine without it (as on NT), gives ERROR_INVALID_HANDLE;
// - on NT platforms a handle can only enumerate subkeys when opened with
//   KEY_ENUMERATE_SUB_KEYS and only read values when opened with KEY_QUERY_VALUE
//   (ERROR_ACCESS_DENIED otherwise); Windows 9x checks no access rights;
// - a handle whose key was deleted gives ERROR_KEY_DELETED;
// - we model a 32-bit program (or a 64-bit one, Facts::program64Bit, with the views swapped): on a
// 64-bit machine (Facts::nativeArchitecture AMD64, IA64 or
//   ARM64) HKEY_LOCAL_MACHINE\SOFTWARE has a 64-bit view (the key itself) and a 32-bit view
//   (its Wow6432Node subkey, as a regedit export of the machine shows it). An open from the
//   root into SOFTWARE reaches the 32-bit view unless it asks for KEY_WOW64_64KEY; an open
//   below an opened key stays in that key's view; a path through Wow6432Node is taken as it
//   is. Both view flags at once give ERROR_INVALID_PARAMETER. A 32-bit machine has one view
//   and ignores the flags, except Windows 2000 and NT 4.0, which refuse them
//   (ERROR_ACCESS_DENIED).
// Keys under HKEY_DYN_DATA can be created while the root is absent; they stay invisible.
class Registry {
 public:
  Registry();
  Key* Root(HKEY root) const;  // nullptr for a root the machine does not have
  Key* Find(HKEY root, const std::string& path) const;
  Key& CreateKey(HKEY root, const std::string& path);  // creates every key on the way
  bool DeleteKey(HKEY root, const std::string& path);  // with its whole subtree
  bool DeleteValue(HKEY root, const std::string& path, const std::string& name);
  void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                const Bytes& data);  // creates the key when missing
  void SetString(HKEY root, const std::string& path, const std::string& name,
                 const std::string& text);  // REG_SZ, terminator included
  void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD number);
  bool HasDynData() const { return hasDynData_; }
  void SetHasDynData(bool present) { hasDynData_ = present; }
  // The machine's ANSI code page (1252 until set): the loader sets it before it imports, the
  // registry functions whenever the machine's differs. Keys already there are re-sorted.
  UINT CodePage() const { return codePage_; }
  void SetCodePage(UINT codePage);

 private:
  Key* Storage(HKEY root) const;  // the root's keys, whether the machine shows them or not
  std::unique_ptr<Key> localMachine_;
  std::unique_ptr<Key> dynData_;
  std::unique_ptr<Key> currentUser_;
  bool hasDynData_ = true;
  UINT codePage_ = 1252;
};

// Every key the program can see, in enumeration order, with every value as hex(N): data:
// REGEDIT4 in the ANSI code page, CR LF lines, one line a value.
std::string ListRegistry(const Registry& registry);

// Case-insensitive comparison of names in an ANSI code page, by their upper-cased UTF-16
// units as the registry orders them ("_x" sorts after "Z", "\xE9" equals "\xC9" in 1252).
// Negative, zero or positive.
int CompareNames(const std::string& a, const std::string& b, UINT codePage);

}  // namespace sim
