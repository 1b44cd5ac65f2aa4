// The simulated Windows machine: a registry with Windows' semantics plus every
// other fact that the program asks the system. The Win32 functions declared in
// platform/win32.h act on the machine installed with sim::Install.
#pragma once

#include <array>
#include <cstdint>
#include <map>
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
// - we model a 32-bit program: on a 64-bit machine (Facts::nativeArchitecture AMD64, IA64 or
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

// A drive letter as GetDriveTypeA, GetDiskFreeSpaceExA and GetDiskFreeSpaceA see it.
struct Drive {
  UINT type = DRIVE_NO_ROOT_DIR;
  bool sizeReadable = true;  // false: both size calls fail
  ULONGLONG totalBytes = 0;
  ULONGLONG freeBytes = 0;  // available to the caller
  DWORD sectorsPerCluster = 8;
  DWORD bytesPerSector = 512;
  DWORD freeClusters = 0;  // what GetDiskFreeSpaceA reports
  DWORD totalClusters = 0;
};

struct ShellCall {
  std::string operation, file, parameters, directory;
  int showCommand = 0;
};

struct Printer {
  std::string name;
  std::string port;
};

// Everything but the registry. Defaults describe a plain Windows XP SP2 workstation.
struct Facts {
  // GetVersionExA: whether it works with the basic record and with the extended one.
  bool versionWorks = true;
  bool extendedVersionWorks = true;
  DWORD majorVersion = 5;
  DWORD minorVersion = 1;
  DWORD buildNumber = 2600;
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  std::string csdVersion = "Service Pack 2";
  WORD servicePackMajor = 2;
  WORD servicePackMinor = 0;
  WORD suiteMask = VER_SUITE_SINGLEUSERTS;
  BYTE productType = VER_NT_WORKSTATION;

  int serverR2Metric = 0;  // GetSystemMetrics(SM_SERVERR2)

  // Functions that only newer systems export (looked up with GetProcAddress).
  bool hasGetProductInfo = false;
  bool getProductInfoWorks = true;
  DWORD productInfoType = 0;
  bool hasGetNativeSystemInfo = true;
  bool hasGlobalMemoryStatusEx = true;
  bool hasGetDiskFreeSpaceEx = true;

  // GetSystemInfo; GetNativeSystemInfo reports nativeArchitecture instead.
  WORD processorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  WORD nativeArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  DWORD processorType = PROCESSOR_INTEL_PENTIUM;
  DWORD numberOfProcessors = 1;

  // Memory: GlobalMemoryStatusEx reports totalPhysBytes; GlobalMemoryStatus the same value
  // held in 32 bits (capped at 4 GB - 1, as on a 32-bit system).
  ULONGLONG totalPhysBytes = 512ull << 20;

  std::array<Drive, 26> drives{};  // A: to Z:

  // Identity
  bool socketsStart = true;
  std::string hostName = "officepc";  // gethostname; 50 characters or more fail
  // The resolver: host name (any case) to its IPv4 addresses in the resolver's order.
  std::map<std::string, std::vector<std::string>> resolver;
  bool computerNameWorks = true;
  std::string computerName = "OFFICE-PC";
  bool userNameWorks = true;
  std::string userName = "anna";

  // Spooler: the default printer, if any (ordinal 201 and EnumPrintersA level 5).
  bool hasDefaultPrinter = false;
  Printer defaultPrinter;

  // Files and time
  std::string modulePath = "C:\\sorvik\\sorvik.exe";
  std::string tempPath = "C:\\TEMP\\";  // with the trailing backslash, as GetTempPathA gives it
  bool tempPathWorks = true;
  // Whether the temporary folder is there: CreateRunFolders makes it unless this is false.
  bool tempFolderExists = true;
  // Host folder of each drive letter for file access; C: defaults to the working folder.
  std::map<char, std::string> driveFolders;
  SYSTEMTIME localTime{2007, 5, 2, 1, 9, 5, 7, 0};
  UINT ansiCodePage = 1252;  // any that sim::IsModelledCodePage accepts (codepage.h)
};

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

// Calls that tests and benchmarks count, by function name ("RegOpenKeyExA", ...).
using CallCounts = std::map<std::string, long>;

// One open registry handle. The key is found again by its path on every use, so a key deleted
// while open is reported as deleted instead of being read after it is gone.
struct OpenKey {
  HKEY root = nullptr;
  std::string path;  // root-relative, as the caller spelled it
  REGSAM access = 0;
};

// What the Win32 functions keep between calls: the storage behind the records they hand out
// (valid until the next call of the same function, as on Windows).
struct SimState {
  std::map<ULONG_PTR, OpenKey> handles;
  ULONG_PTR nextHandle = 0x100;
  hostent host{};
  std::string hostName;
  std::vector<std::array<char, 8>> hostAddresses;  // 4 address bytes, padded
  std::vector<char*> hostAddressList;
  char* hostAliases[1] = {nullptr};
  std::string printerName, printerPort;
  char dottedAddress[16] = {};
  UINT nextTempNumber = 1;
};

class Machine {
 public:
  Machine();
  Registry registry;
  Facts facts;
  std::vector<Fault> faults;  // the fault plan, empty on a sound machine

  // What the program did to the machine.
  std::vector<ShellCall> shellCalls;
  CallCounts calls;
  std::vector<std::string> openedKeyPaths;  // root-relative paths of successful opens
  DWORD lastError = 0;                      // what GetLastError would say after a failed call
  int socketStarts = 0;  // successful WSAStartup calls not yet matched by WSACleanup
  int libraryLoads = 0;  // successful LoadLibraryA calls not yet matched by FreeLibrary

  int OpenHandleCount() const;  // registry handles opened and not yet closed

  SimState state;  // kept by the Win32 functions; tests have no need to look
};

// Installs the machine that the Win32 functions act on (not owned); nullptr uninstalls.
// Without an installed machine the functions act on a default one (an empty registry and the
// default Facts), so that pure helpers like wsprintfA work in any test.
void Install(Machine* machine);
Machine& Current();

// Case-insensitive comparison of names in an ANSI code page, by their upper-cased UTF-16
// units as the registry orders them ("_x" sorts after "Z", "\xE9" equals "\xC9" in 1252).
// Negative, zero or positive.
int CompareNames(const std::string& a, const std::string& b, UINT codePage);

// Creates the host folders that a real machine with these facts has before the program runs:
// the program's folder (of modulePath) and, unless tempFolderExists is false, the temporary
// folder. Folders on drives without a host folder are left alone. False, with the reason, when
// a folder can't be made.
bool CreateRunFolders(const Machine& machine, std::string* error);

// Maps a Windows path ("C:\out\r.xml") to the host path the machine keeps it at.
// False when the drive letter has no host folder.
bool HostPath(const std::string& windowsPath, std::string* hostPath);

}  // namespace sim
