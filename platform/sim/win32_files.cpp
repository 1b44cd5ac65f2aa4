// Files on Windows paths (mapped to host folders), the module path, the temporary folder,
// path editing and time.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/sim/codepage.h"
#include "platform/sim/internal.h"
#include "platform/win32.h"

using sim::Machine;

namespace {

bool IsHostFolder(const std::string& windowsPath) {
  std::string host;
  struct stat info;
  return sim::HostPath(windowsPath, &host) && stat(host.c_str(), &info) == 0 &&
         S_ISDIR(info.st_mode);
}

std::string ModulePath(const Machine& machine, HMODULE module) {
  bool nt = machine.facts.platformId == VER_PLATFORM_WIN32_NT;
  std::string system = nt ? "C:\\WINDOWS\\system32\\" : "C:\\WINDOWS\\SYSTEM\\";
  if (module == nullptr || module == sim::ModuleAt(sim::kExeBase)) return machine.facts.modulePath;
  if (module == sim::ModuleAt(sim::kKernel32Base)) return system + "kernel32.dll";
  if (module == sim::ModuleAt(sim::kWinspoolBase)) return system + "winspool.drv";
  return std::string();
}

std::string TempFileName(const std::string& folder, LPCSTR prefix, UINT number, UINT codePage) {
  std::string name = folder;
  if (!sim::EndsWithBackslash(codePage, name)) name += '\\';
  if (prefix != nullptr) name += std::string(prefix).substr(0, 3);
  char hex[8];
  std::snprintf(hex, sizeof(hex), "%X", number & 0xFFFFu);
  return name + hex + ".TMP";
}

// Creates the file only when no file of that name exists. 0: created; else the errno.
int CreateNew(const std::string& windowsPath) {
  std::string host;
  if (!sim::HostPath(windowsPath, &host)) return ENOENT;
  int fd = open(host.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

int ErrnoFor(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    default:
      return EIO;
  }
}

// A stream over a host file that takes `left` more bytes and then fails every write, as on a
// full disk: what came before the limit is in the file, nothing after it.
struct LimitedFile {
  FILE* file;
  long left;
};

ssize_t LimitedRead(void* cookie, char* data, size_t size) {
  FILE* file = static_cast<LimitedFile*>(cookie)->file;
  size_t read = std::fread(data, 1, size, file);
  return read == 0 && std::ferror(file) ? -1 : static_cast<ssize_t>(read);
}

ssize_t LimitedWrite(void* cookie, const char* data, size_t size) {
  LimitedFile* limited = static_cast<LimitedFile*>(cookie);
  size_t allowed = std::min(size, static_cast<size_t>(limited->left));
  size_t written = std::fwrite(data, 1, allowed, limited->file);
  limited->left -= static_cast<long>(written);
  if (written < size) errno = ENOSPC;
  return static_cast<ssize_t>(written);  // short: the stream marks itself as failed
}

int LimitedSeek(void* cookie, off64_t* offset, int whence) {
  FILE* file = static_cast<LimitedFile*>(cookie)->file;
  if (fseeko(file, *offset, whence) != 0) return -1;
  *offset = ftello(file);
  return 0;
}

int LimitedClose(void* cookie) {
  LimitedFile* limited = static_cast<LimitedFile*>(cookie);
  int result = std::fclose(limited->file);
  delete limited;
  return result;
}

FILE* LimitWrites(FILE* file, const char* mode, long limit) {
  setvbuf(file, nullptr, _IONBF, 0);  // the outer stream buffers; bytes go straight through
  LimitedFile* limited = new LimitedFile{file, limit};
  cookie_io_functions_t functions = {LimitedRead, LimitedWrite, LimitedSeek, LimitedClose};
  FILE* stream = fopencookie(limited, mode, functions);
  if (stream == nullptr) {
    std::fclose(file);
    delete limited;
  }
  return stream;
}

const ULONGLONG kTicksPerDay = 864000000000ull;  // 100-ns units
const long kDaysFrom1601To1970 = 134774;

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian calendar).
void CivilFromDays(long days, int* year, int* month, int* day) {
  days += 719468;
  long era = (days >= 0 ? days : days - 146096) / 146097;
  long dayOfEra = days - era * 146097;
  long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  long monthIndex = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

}  // namespace

FILE* OpenPathA(const char* path, const char* mode) {
  Machine& machine = sim::Enter("OpenPathA");
  std::string host;
  if (path == nullptr || mode == nullptr || !sim::HostPath(path, &host)) return nullptr;
  sim::FaultSubject subject;
  subject.path = path;
  subject.writing = std::strpbrk(mode, "wa+") != nullptr;
  const sim::Fault* fault = sim::PlannedFault(machine, "OpenPathA", subject);
  if (fault != nullptr && fault->writeLimit < 0) {
    errno = ErrnoFor(fault->error);
    return sim::Fail(machine, fault->error, static_cast<FILE*>(nullptr));
  }
  FILE* file = std::fopen(host.c_str(), mode);
  if (file == nullptr || fault == nullptr) return file;
  return LimitWrites(file, mode, fault->writeLimit);
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  Machine& machine = sim::Enter("GetModuleFileNameA");
  std::string path = ModulePath(machine, hModule);
  if (path.empty()) return sim::Fail(machine, sim::kErrorModNotFound, DWORD(0));
  if (nSize > path.size()) {
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  if (nSize == 0) return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, DWORD(0));
  // Cut to the area: Windows 2000 and XP leave it unterminated, Vista terminates it.
  bool terminates = machine.facts.majorVersion >= 6;
  DWORD copied = terminates ? nSize - 1 : nSize;
  std::memcpy(lpFilename, path.data(), copied);
  if (terminates) lpFilename[copied] = '\0';
  return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, nSize);
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  Machine& machine = sim::Enter("GetTempPathA");
  if (!machine.facts.tempPathWorks) return sim::Fail(machine, ERROR_PATH_NOT_FOUND, DWORD(0));
  if (const sim::Fault* fault = sim::PlannedFault(machine, "GetTempPathA", sim::FaultSubject()))
    return sim::Fail(machine, fault->error, DWORD(0));
  std::string path = machine.facts.tempPath;
  // Windows always ends it so.
  if (!sim::EndsWithBackslash(machine.facts.ansiCodePage, path)) path += '\\';
  if (lpBuffer == nullptr || nBufferLength < path.size() + 1)
    return static_cast<DWORD>(path.size() + 1);  // the size needed, terminator included
  std::memcpy(lpBuffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                             LPSTR lpTempFileName) {
  Machine& machine = sim::Enter("GetTempFileNameA");
  if (lpPathName == nullptr || lpTempFileName == nullptr)
    return sim::Fail(machine, sim::kErrorInvalidParameter, 0u);
  if (!IsHostFolder(lpPathName)) return sim::Fail(machine, sim::kErrorDirectory, 0u);
  sim::FaultSubject subject;
  subject.path = lpPathName;
  if (const sim::Fault* fault = sim::PlannedFault(machine, "GetTempFileNameA", subject))
    return sim::Fail(machine, fault->error, 0u);
  UINT number = uUnique & 0xFFFFu;
  std::string name = TempFileName(lpPathName, lpPrefixString, uUnique, machine.facts.ansiCodePage);
  if (uUnique == 0) {
    // Count up from the last number given until a name is free, and create that file.
    int error = EEXIST;
    for (UINT tries = 0; tries < 0xFFFFu && error == EEXIST; ++tries) {
      number = machine.state.nextTempNumber++ & 0xFFFFu;
      if (number == 0) number = machine.state.nextTempNumber++ & 0xFFFFu;
      name = TempFileName(lpPathName, lpPrefixString, number, machine.facts.ansiCodePage);
      if (name.size() >= MAX_PATH) return sim::Fail(machine, sim::kErrorBufferOverflow, 0u);
      error = CreateNew(name);
    }
    if (error == EEXIST) return sim::Fail(machine, ERROR_FILE_EXISTS, 0u);
    if (error != 0) return sim::Fail(machine, ERROR_ACCESS_DENIED, 0u);
  }
  if (name.size() >= MAX_PATH) return sim::Fail(machine, sim::kErrorBufferOverflow, 0u);
  std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
  return uUnique != 0 ? uUnique : number;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  Machine& machine = sim::Enter("DeleteFileA");
  std::string host;
  if (lpFileName == nullptr || !sim::HostPath(lpFileName, &host))
    return sim::Fail(machine, ERROR_PATH_NOT_FOUND, FALSE);
  struct stat info;
  if (stat(host.c_str(), &info) != 0) return sim::Fail(machine, ERROR_FILE_NOT_FOUND, FALSE);
  if (S_ISDIR(info.st_mode) || unlink(host.c_str()) != 0)
    return sim::Fail(machine, ERROR_ACCESS_DENIED, FALSE);
  return TRUE;
}

// The shell's rules: the last element after a backslash goes, a drive root keeps its
// backslash, and a leading "\" or "\\" stays ("C:\x" -> "C:\", "x" -> "", "C:\" unchanged).
BOOL WINAPI PathRemoveFileSpecA(LPSTR pszPath) {
  Machine& machine = sim::Enter("PathRemoveFileSpecA");
  if (pszPath == nullptr) return FALSE;
  char* cursor = pszPath;
  char* fileSpec = pszPath;
  if (*cursor == '\\') fileSpec = ++cursor;
  if (*cursor == '\\') fileSpec = ++cursor;
  while (*cursor != '\0') {
    if (*cursor == '\\') {
      fileSpec = cursor;
    } else if (*cursor == ':') {
      fileSpec = ++cursor;
      if (*cursor == '\\') ++fileSpec;
      if (*cursor == '\0') break;
    } else if (sim::IsLeadByte(machine.facts.ansiCodePage, static_cast<unsigned char>(*cursor)) &&
               cursor[1] != '\0') {
      ++cursor;  // its trail byte may be 0x5C
    }
    ++cursor;
  }
  if (*fileSpec == '\0') return FALSE;
  *fileSpec = '\0';
  return TRUE;
}

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  Machine& machine = sim::Enter("GetLocalTime");
  *lpSystemTime = machine.facts.localTime;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
  Machine& machine = sim::Enter("FileTimeToSystemTime");
  ULONGLONG ticks = (ULONGLONG(lpFileTime->dwHighDateTime) << 32) | lpFileTime->dwLowDateTime;
  if (ticks >> 63) return sim::Fail(machine, sim::kErrorInvalidParameter, FALSE);
  long days = static_cast<long>(ticks / kTicksPerDay);
  ULONGLONG rest = ticks % kTicksPerDay;
  int year = 0, month = 0, day = 0;
  CivilFromDays(days - kDaysFrom1601To1970, &year, &month, &day);
  lpSystemTime->wYear = static_cast<WORD>(year);
  lpSystemTime->wMonth = static_cast<WORD>(month);
  lpSystemTime->wDay = static_cast<WORD>(day);
  lpSystemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  lpSystemTime->wHour = static_cast<WORD>(rest / 36000000000ull);
  lpSystemTime->wMinute = static_cast<WORD>(rest / 600000000ull % 60);
  lpSystemTime->wSecond = static_cast<WORD>(rest / 10000000ull % 60);
  lpSystemTime->wMilliseconds = static_cast<WORD>(rest / 10000ull % 1000);
  return TRUE;
}
