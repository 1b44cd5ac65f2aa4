// Registry access as every walk of the system does it: keys closed on every path by
// construction, values read into a zero-filled area one byte longer than offered.
#pragma once

#include "platform/win32.h"

// Owns one open key and closes it when it goes out of scope (or on Close/reopen).
class KeyHolder {
 public:
  KeyHolder() = default;
  ~KeyHolder() { Close(); }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;

  // Opens `path` below `root`; false when it can't be opened (the holder is then empty).
  bool Open(HKEY root, const char* path, REGSAM access);
  void Close();
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Reads a value as text: `area` must hold `offered` + 1 bytes; it is zero-filled, then filled
// with at most `offered` bytes of data. The value's type is not looked at. False when the
// value is absent or longer than offered; the area is then all zero.
bool ReadValueText(HKEY key, const char* name, char* area, DWORD offered);

// Reads a value as a 4-byte number; false (number untouched) when it is absent or longer.
bool ReadValueDword(HKEY key, const char* name, DWORD* number);

// What an index loop does after RegEnumKeyExA: a name too long for the area skips that
// index; the end of the list ends the loop, and so does a failure of the handle itself
// (key deleted meanwhile, no right to enumerate), which every later index would repeat.
enum EnumStep { kEnumEntry, kEnumSkip, kEnumEnd };
EnumStep NextEnumStep(LONG result);

// Enumerates the subkey at `index` into `name` (512 characters plus terminator, zero-filled
// first, class area likewise). Returns the registry's result.
LONG EnumSubkey(HKEY key, DWORD index, char* name);

// The registry views that a walk of HKEY_LOCAL_MACHINE\SOFTWARE reads, as the flag that every
// open of the walk adds to its access, in reading order: on 64-bit Windows (native AMD64, IA64
// or ARM64) the 64-bit view, then the 32-bit one; elsewhere the one view, with no flag, since
// Windows 2000 refuses the flags. Returns how many views were put into `views`.
enum { kMaxRegistryViews = 2 };
int GetSoftwareViews(REGSAM views[kMaxRegistryViews]);
