#include "fleet/host.h"

#include <cstdio>
#include <iostream>
#include <streambuf>

#ifdef _WIN32
#include <io.h>
#include <sqlite3.h>
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#else
#include <sys/stat.h>
#include <sys/types.h>
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

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::string LastErrorText() {
  DWORD code = GetLastError();
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' ||
                        text[length - 1] == L' ' || text[length - 1] == L'.')) {
    text[--length] = L'\0';
  }
  std::string message = length > 0 ? Utf8FromWide(text) : "error " + std::to_string(code);
  LocalFree(text);
  return message;
}

std::wstring WideFromUtf8(const std::string& utf8) {
  int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
  return wide;
}

// The bytes of text up to an incomplete UTF-8 sequence at its end.
std::size_t CompleteUtf8(const std::string& text) {
  for (std::size_t back = 1; back <= 4 && back <= text.size(); ++back) {
    unsigned char c = static_cast<unsigned char>(text[text.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte
    std::size_t needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return needed > back ? text.size() - back : text.size();
  }
  return text.size();
}

// Writes UTF-8 to a console as UTF-16, line by line. msvcrt hands a console one byte per
// character under some runtimes, whatever the console's code page, and UTF-8 comes out garbled.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_.push_back(traits_type::to_char_type(c));
    if (c == '\n') Flush();
    return c;
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    if (pending_.find('\n') != std::string::npos) Flush();
    return count;
  }

  int sync() override {
    Flush();
    return 0;
  }

 private:
  void Flush() {
    std::size_t complete = CompleteUtf8(pending_);
    std::wstring wide = WideFromUtf8(pending_.substr(0, complete));
    DWORD written = 0;
    WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    pending_.erase(0, complete);
  }

  HANDLE console_;
  std::string pending_;
};

}  // namespace

// The file's own attributes, not msvcrt's stat, which turns the time to local time and back
// and refuses names it takes for wildcards.
bool StatFile(const std::filesystem::path& path, FileFacts* facts) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(OpenablePath(path).c_str(), GetFileExInfoStandard, &data)) {
    return false;
  }
  facts->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts->mtime = UnixSeconds(data.ftLastWriteTime);
  return true;
}

PathKind KindOf(const std::filesystem::path& path) {
  DWORD attributes = GetFileAttributesW(OpenablePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
  return PathKind::kFile;
}

// FindFirstFileExW rather than std::filesystem, whose MinGW directory walk stops at MAX_PATH.
void WalkFiles(
    const std::filesystem::path& top,
    const std::function<void(const std::filesystem::path&)>& visit,
    const std::function<void(const std::filesystem::path&, const std::string&)>& unreadable) {
  std::vector<std::filesystem::path> pending{top};
  while (!pending.empty()) {
    std::filesystem::path folder = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((OpenablePath(folder) / L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
      if (GetLastError() != ERROR_FILE_NOT_FOUND) unreadable(folder, LastErrorText());
      continue;  // ERROR_FILE_NOT_FOUND: an empty drive
    }
    do {
      std::wstring name = found.cFileName;
      DWORD attributes = found.dwFileAttributes;
      if (name == L"." || name == L"..") continue;
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) pending.push_back(folder / name);
      } else if (!(attributes & FILE_ATTRIBUTE_DEVICE)) {
        visit(folder / name);
      }
    } while (FindNextFileW(search, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) unreadable(folder, LastErrorText());
    FindClose(search);
  }
}

std::filesystem::path AbsolutePath(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0) {
      error.assign(static_cast<int>(GetLastError()), std::system_category());
      return std::filesystem::path();
    }
    if (length < full.size()) {
      full.resize(length);
      return std::filesystem::path(full);
    }
    full.assign(length, L'\0');  // length counts the terminator when the buffer is short
  }
}

std::filesystem::path OpenablePath(const std::filesystem::path& path) {
  const std::wstring& text = path.native();
  if (text.size() < 3 || text.compare(0, 4, L"\\\\?\\") == 0 ||
      text.compare(0, 4, L"\\\\.\\") == 0) {
    return path;
  }
  if (text[1] == L':' && IsSeparator(text[2])) return std::filesystem::path(L"\\\\?\\" + text);
  if (IsSeparator(text[0]) && IsSeparator(text[1])) {
    return std::filesystem::path(L"\\\\?\\UNC\\" + text.substr(2));
  }
  return path;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

std::string DatabaseFileName(const std::string& utf8_path) {
  if (utf8_path.empty() || utf8_path == ":memory:" || utf8_path.compare(0, 5, "file:") == 0) {
    return utf8_path;
  }
  std::error_code error;
  std::filesystem::path full = AbsolutePath(PathFromUtf8(utf8_path), error);
  return error ? utf8_path : Utf8FromWide(OpenablePath(full).c_str());
}

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

void PrepareHost() {
  // SQLite's file layer for names in the "\\\\?\\" form, up to 32767 characters.
  if (sqlite3_vfs* long_paths = sqlite3_vfs_find("win32-longpath")) {
    sqlite3_vfs_register(long_paths, 1);
  }
  DWORD mode = 0;
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (GetConsoleMode(output, &mode)) std::cout.rdbuf(new ConsoleBuffer(output));  // kept to exit
  HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
  if (GetConsoleMode(errors, &mode)) {
    SetConsoleMode(errors, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);  // the progress line
    std::cerr.rdbuf(new ConsoleBuffer(errors));
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

PathKind KindOf(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::status(path, error);
  if (std::filesystem::is_directory(status)) return PathKind::kFolder;
  if (std::filesystem::is_regular_file(status)) return PathKind::kFile;
  return std::filesystem::exists(status) ? PathKind::kOther : PathKind::kMissing;
}

void WalkFiles(
    const std::filesystem::path& top,
    const std::function<void(const std::filesystem::path&)>& visit,
    const std::function<void(const std::filesystem::path&, const std::string&)>& unreadable) {
  namespace fs = std::filesystem;
  std::vector<fs::path> pending{top};
  while (!pending.empty()) {
    fs::path folder = std::move(pending.back());
    pending.pop_back();
    std::error_code error;
    fs::directory_iterator entry(folder, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
      std::error_code type_error;
      // Only regular files: a fifo or device named *.xml would block or never end.
      if (!entry->is_symlink(type_error) && entry->is_directory(type_error)) {
        pending.push_back(entry->path());
      } else if (entry->is_regular_file(type_error)) {
        visit(entry->path());
      }
    }
    if (error) unreadable(folder, error.message());
  }
}

std::filesystem::path AbsolutePath(const std::filesystem::path& path, std::error_code& error) {
  return std::filesystem::absolute(path, error).lexically_normal();
}

std::filesystem::path OpenablePath(const std::filesystem::path& path) { return path; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void PrepareHost() {}

std::string DatabaseFileName(const std::string& utf8_path) { return utf8_path; }

#endif

std::string PathToUtf8(const std::filesystem::path& path) {
  std::string utf8 = path.u8string();
#ifdef _WIN32
  // As Windows writes it: "c:/x" given on the command line is stored as C:\x, one file one row.
  if (utf8.size() >= 2 && utf8[1] == ':' && utf8[0] >= 'a' && utf8[0] <= 'z') {
    utf8[0] = static_cast<char>(utf8[0] - 'a' + 'A');
  }
#endif
  return utf8;
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::u8path(utf8);
}

}  // namespace fleet
