// Helpers shared by the simulator's Win32 functions; not for system code or tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace sim {

// Win32 error codes that only the simulator needs (system code never looks at them).
enum : DWORD {
  kErrorInvalidFunction = 1,
  kErrorNotReady = 21,
  kErrorInvalidParameter = 87,
  kErrorBufferOverflow = 111,
  kErrorInvalidLevel = 124,
  kErrorModNotFound = 126,
  kErrorProcNotFound = 127,
  kErrorBadPathname = 161,
  kErrorDirectory = 267,
  kErrorKeyDeleted = 1018,
  kWsaNotInitialised = 10093,
  kWsaSysNotReady = 10091,
  kWsaFault = 10014,
  kWsaHostNotFound = 11001,
};

// The module handles the machine hands out: load addresses on a 32-bit Windows.
enum : ULONG_PTR { kExeBase = 0x00400000, kKernel32Base = 0x7C800000, kWinspoolBase = 0x73000000 };
inline HMODULE ModuleAt(ULONG_PTR base) { return reinterpret_cast<HMODULE>(base); }

// Whether the machine is a 64-bit Windows (native AMD64, IA64 or ARM64), on which our 32-bit
// program sees two registry views; and the key that holds the 32-bit view of SOFTWARE.
bool IsWindows64(const Facts& facts);
extern const char kWow64Node[];

// Counts a call of the named function and returns the machine it acts on.
Machine& Enter(const char* function);

// What a call works on, for matching it against the fault plan.
struct FaultSubject {
  std::string path;             // key path or Windows file path
  const char* value = nullptr;  // RegQueryValueExA: the value's name
  long index = -1;              // RegEnumKeyExA: the subkey index
  bool writing = false;         // OpenPathA: opened for writing
};

// Counts a call that would succeed against every rule of the plan that matches it, and
// returns the rule that makes it fail, or nullptr when the call goes on as usual.
const Fault* PlannedFault(Machine& machine, const char* function, const FaultSubject& subject);

// Sets the machine's last error and returns `result`, for the failure paths.
template <class Result>
Result Fail(Machine& machine, DWORD error, Result result) {
  machine.lastError = error;
  return result;
}

// Splits a registry path into key names as the registry server does: no leading backslash
// (false), runs of backslashes and trailing ones ignored. A trail byte is never a separator.
bool SplitKeyPath(const std::string& path, UINT codePage, std::vector<std::string>* names);

// Joins two root-relative paths with one backslash.
std::string JoinKeyPath(const std::string& parent, const std::string& child);

// The drive index (0 for A:) of a path that starts with a drive letter and a colon, else -1.
int DriveIndex(const char* path);

// Reads a dotted IPv4 address ("192.168.0.7": four decimal numbers up to 255).
bool ParseIpv4(const std::string& text, uint8_t bytes[4]);

// ASCII upper-case folding, for the names the simulator matches by ASCII only (drive
// letters, module and host names, root names in .reg files); registry names use CompareNames.
char FoldUpper(char c);
bool EqualNoCase(const std::string& a, const std::string& b);

}  // namespace sim
