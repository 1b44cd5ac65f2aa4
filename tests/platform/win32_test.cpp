#include "platform/win32.h"

#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "platform/sim/builder.h"

namespace {

class Win32Test : public ::testing::Test {
 protected:
  Win32Test() : installed_(machine_) {}
  sim::Machine machine_;
  sim::ScopedMachine installed_;
};

// FARPROC to the function's own type; through void (*)() as GCC's -Wcast-function-type asks.
template <class Function>
Function As(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

std::u16string Widen(UINT codePage, const std::string& text) {
  char16_t out[64] = {};
  int count = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                  reinterpret_cast<LPWSTR>(out), 64);
  return std::u16string(out, static_cast<size_t>(count));
}

TEST_F(Win32Test, CodePage1252KeepsItsUndefinedBytesAsControlCharacters) {
  EXPECT_EQ(u"\u20AC\u0081\u201A\u008D\u017D\u008F\u0090\u2122\u009D\u0178",
            Widen(1252, "\x80\x81\x82\x8D\x8E\x8F\x90\x99\x9D\x9F"));
  EXPECT_EQ(u"A\u00A0\u00E9\u00FF", Widen(1252, "A\xA0\xE9\xFF"));
}

TEST_F(Win32Test, CodePage1251) {
  EXPECT_EQ(u"\u0402\u0098\u0401\u0410\u044F\u0451\u2116",
            Widen(1251, "\x80\x98\xA8\xC0\xFF\xB8\xB9"));
}

TEST_F(Win32Test, TheAnsiCodePageIsTheMachines) {
  machine_.facts.ansiCodePage = 1251;
  EXPECT_EQ(u"\u0410", Widen(CP_ACP, "\xC0"));
  EXPECT_EQ(u"\u0410", Widen(CP_THREAD_ACP, "\xC0"));
  machine_.facts.ansiCodePage = 1252;
  EXPECT_EQ(u"\u00C0", Widen(CP_THREAD_ACP, "\xC0"));
}

TEST_F(Win32Test, MultiByteToWideCharSizes) {
  WCHAR out[8];
  EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0));  // with the terminator
  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 0));
  EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 4));
  EXPECT_EQ(0, out[3]);
  machine_.lastError = 0;
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 3));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), machine_.lastError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 0, out, 8));
  EXPECT_EQ(0, MultiByteToWideChar(1234, 0, "abc", 3, out, 8));  // no such code page
}

// Measured under Wine: at most 1024 bytes with the terminator; 1024 returned once the text
// fills them, whether it was cut or not.
TEST_F(Win32Test, WsprintfFillsAtMost1024BytesWithItsTerminator) {
  struct Case {
    size_t length;
    int returned;
    size_t written;
  } cases[] = {{1022, 1022, 1022}, {1023, 1024, 1023}, {1024, 1024, 1023}, {2000, 1024, 1023}};
  for (const Case& c : cases) {
    std::string text(c.length, 'x');
    char out[1100];
    std::memset(out, '#', sizeof(out));
    EXPECT_EQ(c.returned, wsprintfA(out, "%s", text.c_str())) << c.length;
    EXPECT_EQ(c.written, std::strlen(out)) << c.length;
    EXPECT_EQ('#', out[c.written + 1]) << c.length;
  }
  char out[16];
  EXPECT_EQ(9, wsprintfA(out, "%d;%s", -42, "abcde"));
  EXPECT_STREQ("-42;abcde", out);
}

TEST_F(Win32Test, FileTimeToSystemTime) {
  struct Case {
    ULONGLONG ticks;
    SYSTEMTIME expected;
  } cases[] = {
      {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
      {116444736000000000ull, {1970, 1, 4, 1, 0, 0, 0, 0}},
      {125963423990000000ull, {2000, 2, 2, 29, 23, 59, 59, 0}},  // a leap day, UTC
      {128224839070010000ull, {2007, 5, 2, 1, 9, 5, 7, 1}},
      {0x7FFFFFFFFFFFFFFFull, {30828, 9, 4, 14, 2, 48, 5, 477}},
  };
  for (const Case& c : cases) {
    FILETIME time{static_cast<DWORD>(c.ticks), static_cast<DWORD>(c.ticks >> 32)};
    SYSTEMTIME got{};
    ASSERT_TRUE(FileTimeToSystemTime(&time, &got)) << c.ticks;
    EXPECT_EQ(0, std::memcmp(&c.expected, &got, sizeof(got)))
        << c.ticks << ": " << got.wYear << "-" << got.wMonth << "-" << got.wDay << " dow "
        << got.wDayOfWeek << " " << got.wHour << ":" << got.wMinute << ":" << got.wSecond << "."
        << got.wMilliseconds;
  }
  FILETIME topBit{0, 0x80000000u};
  SYSTEMTIME untouched{1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(FileTimeToSystemTime(&topBit, &untouched));
  EXPECT_EQ(1, untouched.wYear);
}

TEST_F(Win32Test, PathRemoveFileSpec) {
  struct Case {
    const char* path;
    const char* after;
    BOOL removed;
  } cases[] = {
      {"C:\\sorvik\\sorvik.exe", "C:\\sorvik", TRUE},
      {"C:\\sorvik.exe", "C:\\", TRUE},
      {"C:\\", "C:\\", FALSE},
      {"C:", "C:", FALSE},
      {"C:x.exe", "C:", TRUE},
      {"C:\\a\\", "C:\\a", TRUE},
      {"sorvik.exe", "", TRUE},
      {"\\sorvik.exe", "\\", TRUE},
      {"\\\\server\\share", "\\\\server", TRUE},
      {"\\\\server", "\\\\", TRUE},
      {"", "", FALSE},
  };
  for (const Case& c : cases) {
    char path[64];
    std::strcpy(path, c.path);
    EXPECT_EQ(c.removed, PathRemoveFileSpecA(path)) << c.path;
    EXPECT_STREQ(c.after, path) << c.path;
  }
  machine_.facts.ansiCodePage = 932;  // katakana "so" ends in 0x5C, which is no separator
  char path[] = "C:\\a\\\x83\x5C.exe";
  EXPECT_TRUE(PathRemoveFileSpecA(path));
  EXPECT_STREQ("C:\\a", path);
}

TEST_F(Win32Test, VersionRecordsBySize) {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = 156;
  ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  EXPECT_EQ(5u, info.dwMajorVersion);
  EXPECT_STREQ("Service Pack 2", info.szCSDVersion);
  EXPECT_EQ(VER_NT_WORKSTATION, info.wProductType);
  info.dwOSVersionInfoSize = 150;
  EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));

  machine_.facts.extendedVersionWorks = false;  // Windows 9x and NT 4 before SP6
  info.dwOSVersionInfoSize = 156;
  EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  info.dwOSVersionInfoSize = 148;
  EXPECT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  machine_.facts.versionWorks = false;
  EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
}

TEST_F(Win32Test, KernelFunctionsExistOnlyWhereTheFactsSay) {
  machine_.facts.hasGetProductInfo = true;
  machine_.facts.productInfoType = PRODUCT_ULTIMATE;
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  ASSERT_NE(nullptr, kernel);
  EXPECT_EQ(kernel, GetModuleHandleA("kernel32"));
  EXPECT_EQ(nullptr, GetModuleHandleA("user32.dll"));
  auto getProductInfo = As<PGETPRODUCTINFO>(GetProcAddress(kernel, "GetProductInfo"));
  ASSERT_NE(nullptr, getProductInfo);
  DWORD type = 0;
  EXPECT_TRUE(getProductInfo(6, 0, 0, 0, &type));
  EXPECT_EQ(static_cast<DWORD>(PRODUCT_ULTIMATE), type);
  EXPECT_EQ(nullptr, GetProcAddress(kernel, "getproductinfo"));

  machine_.facts.totalPhysBytes = 6ull << 30;
  auto memoryEx = As<PGLOBALMEMORYSTATUSEX>(GetProcAddress(kernel, "GlobalMemoryStatusEx"));
  ASSERT_NE(nullptr, memoryEx);
  MEMORYSTATUSEX status{};
  EXPECT_FALSE(memoryEx(&status));  // the length must be set
  status.dwLength = 64;
  ASSERT_TRUE(memoryEx(&status));
  EXPECT_EQ(6ull << 30, status.ullTotalPhys);
  MEMORYSTATUS old{};
  old.dwLength = sizeof(old);
  GlobalMemoryStatus(&old);
  EXPECT_EQ(0xFFFFFFFFu, old.dwTotalPhys);

  machine_.facts.hasGetNativeSystemInfo = false;
  machine_.facts.hasGetDiskFreeSpaceEx = false;
  EXPECT_EQ(nullptr, GetProcAddress(kernel, "GetNativeSystemInfo"));
  EXPECT_EQ(nullptr, GetProcAddress(kernel, "GetDiskFreeSpaceExA"));

  HMODULE loaded = LoadLibraryA("kernel32.dll");
  EXPECT_EQ(kernel, loaded);
  EXPECT_EQ(1, machine_.libraryLoads);
  EXPECT_TRUE(FreeLibrary(loaded));
  EXPECT_EQ(0, machine_.libraryLoads);
}

TEST_F(Win32Test, DrivesAndTheirSizes) {
  sim::Drive& c = machine_.facts.drives[2];
  c.type = DRIVE_FIXED;
  c.totalBytes = 5ull << 30;
  c.freeBytes = 1ull << 30;
  c.sectorsPerCluster = 8;
  c.bytesPerSector = 512;
  c.totalClusters = 1310720;
  machine_.facts.drives[3].type = DRIVE_CDROM;
  machine_.facts.drives[3].sizeReadable = false;
  EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA("c:\\"));
  EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), GetDriveTypeA("E:\\"));

  auto freeSpaceEx = As<PGETDISKFREESPACEEXA>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA"));
  ASSERT_NE(nullptr, freeSpaceEx);
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(freeSpaceEx("C:\\", &available, &total, &free));
  EXPECT_EQ(5ull << 30, total.QuadPart);
  EXPECT_EQ(1ull << 30, available.QuadPart);
  EXPECT_FALSE(freeSpaceEx("D:\\", &available, &total, &free));  // no disc
  EXPECT_FALSE(freeSpaceEx("E:\\", &available, &total, &free));  // no drive

  DWORD sectors = 0, bytes = 0, freeClusters = 9, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &clusters));
  EXPECT_EQ(1310720u, clusters);
  EXPECT_EQ(0u, freeClusters);
  EXPECT_FALSE(GetDiskFreeSpaceA("D:\\", &sectors, &bytes, &freeClusters, &clusters));
}

TEST_F(Win32Test, HostNameAndResolver) {
  machine_.facts.hostName = "officepc";
  machine_.facts.resolver["OfficePC"] = {"192.168.0.7", "10.1.2.3"};
  char name[51] = {};
  EXPECT_EQ(SOCKET_ERROR, gethostname(name, 50));  // sockets not started
  WSADATA data;
  ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 0), &data));
  EXPECT_EQ(0, gethostname(name, 9));
  EXPECT_STREQ("officepc", name);
  EXPECT_EQ(SOCKET_ERROR, gethostname(name, 8));  // no room for the terminator

  hostent* host = gethostbyname("OFFICEPC");
  ASSERT_NE(nullptr, host);
  EXPECT_EQ(4, host->h_length);
  in_addr first;
  std::memcpy(&first, host->h_addr_list[0], 4);
  EXPECT_STREQ("192.168.0.7", inet_ntoa(first));
  std::memcpy(&first, host->h_addr_list[1], 4);
  EXPECT_STREQ("10.1.2.3", inet_ntoa(first));
  EXPECT_EQ(nullptr, host->h_addr_list[2]);
  EXPECT_EQ(nullptr, gethostbyname("elsewhere"));

  EXPECT_EQ(0, WSACleanup());
  EXPECT_EQ(SOCKET_ERROR, WSACleanup());
  EXPECT_EQ(nullptr, gethostbyname("officepc"));
  machine_.facts.socketsStart = false;
  EXPECT_NE(0, WSAStartup(MAKEWORD(2, 0), &data));
}

TEST_F(Win32Test, ComputerAndUserNameBufferRules) {
  machine_.facts.computerName = "OFFICE-PC";  // 9 characters
  machine_.facts.userName = "anna";
  char name[16] = {};
  DWORD size = 9;
  EXPECT_FALSE(GetComputerNameA(name, &size));
  EXPECT_EQ(10u, size);
  EXPECT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(9u, size);  // without the terminator
  EXPECT_STREQ("OFFICE-PC", name);

  size = 4;
  EXPECT_FALSE(GetUserNameA(name, &size));
  EXPECT_EQ(5u, size);
  EXPECT_TRUE(GetUserNameA(name, &size));
  EXPECT_EQ(5u, size);  // with the terminator
  EXPECT_STREQ("anna", name);

  machine_.facts.userNameWorks = false;
  size = sizeof(name);
  EXPECT_FALSE(GetUserNameA(name, &size));
}

TEST_F(Win32Test, DefaultPrinterByOrdinal) {
  char name[32] = {};
  DWORD size = sizeof(name);
  EXPECT_FALSE(DefaultPrinterByOrdinal(name, &size));  // no default printer
  machine_.facts.hasDefaultPrinter = true;
  machine_.facts.defaultPrinter.name = "Laser";
  size = 5;
  EXPECT_FALSE(DefaultPrinterByOrdinal(name, &size));
  EXPECT_EQ(6u, size);
  EXPECT_TRUE(DefaultPrinterByOrdinal(name, &size));
  EXPECT_STREQ("Laser", name);
}

TEST_F(Win32Test, EnumPrintersSizesAreThoseOf32BitWindows) {
  BYTE area[60];
  DWORD needed = 99, returned = 99;
  EXPECT_TRUE(
      EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 5, area, sizeof(area), &needed, &returned));
  EXPECT_EQ(0u, returned);  // no default printer

  machine_.facts.hasDefaultPrinter = true;
  machine_.facts.defaultPrinter = {"Office Laser", "LPT1:"};  // 20 + 13 + 6 bytes
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 5, area, 39, &needed, &returned));
  EXPECT_EQ(39u, needed);
  ASSERT_EQ(1u, returned);
  PRINTER_INFO_5A record;
  std::memcpy(&record, area, sizeof(record));
  EXPECT_STREQ("Office Laser", record.pPrinterName);
  EXPECT_STREQ("LPT1:", record.pPortName);

  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 5, area, 38, &needed, &returned));
  EXPECT_EQ(39u, needed);
  EXPECT_EQ(0u, returned);

  machine_.facts.defaultPrinter.name = std::string(40, 'p');  // 20 + 41 + 6 > 60
  EXPECT_FALSE(
      EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 5, area, sizeof(area), &needed, &returned));
  EXPECT_EQ(67u, needed);
  EXPECT_FALSE(
      EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, area, sizeof(area), &needed, &returned));
}

TEST_F(Win32Test, ShellCallsAreRecorded) {
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(42),
            ShellExecuteA(nullptr, "open", "http://example.invalid/sorvik/manual/", nullptr,
                          nullptr, SW_SHOWNORMAL));
  ASSERT_EQ(1u, machine_.shellCalls.size());
  EXPECT_EQ("open", machine_.shellCalls[0].operation);
  EXPECT_EQ("", machine_.shellCalls[0].parameters);
  EXPECT_EQ(SW_SHOWNORMAL, machine_.shellCalls[0].showCommand);
}

TEST_F(Win32Test, ModuleFileNameIsCutLikeTheWindowsVersion) {
  machine_.facts.modulePath = "C:\\sorvik\\sorvik.exe";  // 20 characters
  char path[32];
  std::memset(path, '#', sizeof(path));
  EXPECT_EQ(20u, GetModuleFileNameA(nullptr, path, 21));
  EXPECT_STREQ("C:\\sorvik\\sorvik.exe", path);

  std::memset(path, '#', sizeof(path));
  EXPECT_EQ(20u, GetModuleFileNameA(nullptr, path, 20));  // XP: cut, not terminated
  EXPECT_EQ(std::string("C:\\sorvik\\sorvik.exe#"), std::string(path, 21));
  machine_.facts.majorVersion = 6;
  EXPECT_EQ(20u, GetModuleFileNameA(nullptr, path, 20));  // Vista: cut and terminated
  EXPECT_STREQ("C:\\sorvik\\sorvik.ex", path);
}

TEST_F(Win32Test, CallsAreCountedByName) {
  lstrcmpiA("a", "A");
  lstrcmpiA("a", "b");
  EXPECT_EQ(2, machine_.calls["lstrcmpiA"]);
  EXPECT_EQ(0, lstrcmpiA("Service Pack 6", "SERVICE PACK 6"));
  EXPECT_GT(0, lstrcmpiA("WINNT", "winnt2"));
}

}  // namespace
