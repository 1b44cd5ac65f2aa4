// The simulated machine's fault plan: the system calls that are made to fail, and how.
#pragma once

#include <string>

#include "platform/win32.h"

namespace sim {

// A planned failure: calls of `function` that match the rule fail with `error`, so that tests
// and profiles can show what the program does when the system says no.
//
// A call matches when `path` (empty: any) occurs in what the call works on, letters compared in
// any case, and the filters below agree. Each rule counts the calls it matches: call number
// `fromCall` (from 1) and the `count` - 1 after it fail; a count of 0 fails every one from there
// on. Only calls that would otherwise succeed are counted and made to fail, so a rule never
// hides a missing key or value behind another error, and every enumeration still ends.
//
//   RegOpenKeyExA     path: the key's root-relative path. Returns `error`, no handle.
//   RegEnumKeyExA     path: the enumerated key; `index` (-1: any) the subkey index. Returns
//                     `error` and copies nothing (ERROR_NO_MORE_ITEMS ends a walk early).
//   RegQueryValueExA  path: the key; `value` (any case; empty: any) the value's name. Returns
//                     `error`; with ERROR_MORE_DATA the size needed is reported and the
//                     offered area holds junk, which Windows leaves undefined.
//   GetTempPathA      returns 0; GetLastError gives `error`.
//   GetTempFileNameA  path: the folder asked for. Returns 0, creates no file.
//   OpenPathA         path: the Windows path. Returns null. With a `writeLimit` of 0 or more
//                     the rule matches only opens for writing ("w", "a" or "+"): the file is
//                     opened, and the stream's writes fail once that many bytes reached it,
//                     like a disk that is full.
// The first rule that fails a call decides its error; every matching rule counts the call.
struct Fault {
  Fault(const std::string& failing, DWORD failure) : function(failing), error(failure) {}
  Fault& Path(const std::string& text) {
    path = text;
    return *this;
  }
  Fault& Value(const std::string& name) {
    value = name;
    return *this;
  }
  Fault& Index(long subkey) {
    index = subkey;
    return *this;
  }
  Fault& From(long call) {
    fromCall = call;
    return *this;
  }
  Fault& Times(long calls) {
    count = calls;
    return *this;
  }
  Fault& WriteLimit(long bytes) {
    writeLimit = bytes;
    return *this;
  }

  std::string function;
  DWORD error;
  std::string path;
  std::string value;
  long index = -1;
  long fromCall = 1;
  long count = 0;
  long writeLimit = -1;
  long matched = 0;  // calls matched so far
};

// The functions that a Fault can make fail.
bool CanFail(const std::string& function);

}  // namespace sim
