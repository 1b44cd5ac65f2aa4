#include "fleet/host.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace fleet {

#ifdef _WIN32
namespace {

std::string Utf8FromWide(const wchar_t* text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(bytes - 1));
  return utf8;
}

// FILETIME counts 100 ns intervals since 1601.
std::int64_t UnixSeconds(const FILETIME& time) {
  ULARGE_INTEGER ticks;
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  return static_cast<std::int64_t>(ticks.QuadPart / 10000000ull) - 11644473600ll;
}

UINT console_code_page = 0;

void RestoreConsoleCodePage() { SetConsoleOutputCP(console_code_page); }

}  // namespace

// The file's own attributes, not msvcrt's stat, which turns the time to local time and back
// and refuses names it takes for wildcards.
bool StatFile(const std::filesystem::path& path, FileFacts* facts) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  facts->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts->mtime = UnixSeconds(data.ftLastWriteTime);
  return true;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

// The narrow argv is the command line in the ANSI code page: any other character is lost.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!words) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(words[i]));
  LocalFree(words);
  return arguments;
}

void PrepareConsole() {
  console_code_page = GetConsoleOutputCP();
  if (console_code_page != 0 && console_code_page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
    std::atexit(RestoreConsoleCodePage);  // the code page belongs to the console, not to us
  }
  HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(errors, &mode)) {
    SetConsoleMode(errors, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

#else

bool StatFile(const std::filesystem::path& path, FileFacts* facts) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  facts->size = static_cast<std::uint64_t>(st.st_size);
  facts->mtime = static_cast<std::int64_t>(st.st_mtime);
  return true;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void PrepareConsole() {}

#endif

std::string PathToUtf8(const std::filesystem::path& path) { return path.u8string(); }

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::u8path(utf8);
}

}  // namespace fleet
