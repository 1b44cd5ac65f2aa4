// Registry access as every walk of the system does it: keys closed on every path by
// construction, values read into a zero-filled area one byte longer than offered.
#pragma once

#include <cstddef>

#include "common/capacities.h"
#include "platform/win32.h"

// The area a subkey name is enumerated into; its size is part of the type, so an area of
// another size does not compile.
typedef char KeyName[kKeyNameCapacity + 1];

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
// The same, offering the capacity that the area's type carries.
template <size_t N>
bool ReadValueText(HKEY key, const char* name, char (&area)[N]) {
  static_assert(N > 1, "an area holds a capacity and a terminator");
  return ReadValueText(key, name, area, static_cast<DWORD>(N - 1));
}

// Reads a value as a 4-byte number; false (number untouched) when it is absent or longer.
bool ReadValueDword(HKEY key, const char* name, DWORD* number);

// Walks the subkeys of a key it opens and owns, in index order, with its own name area:
//
//   SubkeyWalk devices;
//   if (!devices.Open(HKEY_LOCAL_MACHINE, path, KEY_ENUMERATE_SUB_KEYS)) return ...;
//   while (devices.NextChild(KEY_QUERY_VALUE)) Read(devices.Child());
//
// Both keys are closed on every path: the child when the walk moves on, the parent with it.
class SubkeyWalk {
 public:
  // What ends the walk besides the end of the list. Normally an index whose name does not
  // fit is skipped, and any other failure ends the walk, since it is the handle's own (key
  // deleted meanwhile, no right to enumerate) and every later index would repeat it; a search
  // that must not look past a failure ends at any.
  enum Ending { kSkipLongNames, kEndAtAnyFailure };
  enum : DWORD { kEveryIndex = 0xFFFFFFFF };

  // `indexLimit` bounds the indices asked for, skipped ones included.
  explicit SubkeyWalk(Ending ending = kSkipLongNames, DWORD indexLimit = kEveryIndex);
  SubkeyWalk(const SubkeyWalk&) = delete;
  SubkeyWalk& operator=(const SubkeyWalk&) = delete;

  // Opens the key whose subkeys are walked (closing any earlier one) and starts at index 0.
  bool Open(HKEY root, const char* path, REGSAM access);
  // Moves to the next subkey the ending admits; false once the walk has ended.
  bool Next();
  // Moves to the next subkey that also opens with `access`; a subkey that does not open is
  // passed over.
  bool NextChild(REGSAM access);
  // Closes the parent and the child; the name of the current subkey stays.
  void Close();

  HKEY Key() const { return parent_.Get(); }
  HKEY Child() const { return child_.Get(); }
  const char* Name() const { return name_; }

 private:
  KeyHolder parent_;
  KeyHolder child_;
  Ending ending_;
  DWORD indexLimit_;
  DWORD index_;
  bool ended_;
  KeyName name_;
};

// The registry views that a walk of HKEY_LOCAL_MACHINE\SOFTWARE reads, as the flag that every
// open of the walk adds to its access, in reading order: on 64-bit Windows (native AMD64, IA64
// or ARM64) the 64-bit view, then the 32-bit one; elsewhere the one view, with no flag, since
// Windows 2000 refuses the flags. Returns how many views were put into `views`.
enum { kMaxRegistryViews = 2 };
int GetSoftwareViews(REGSAM views[kMaxRegistryViews]);
