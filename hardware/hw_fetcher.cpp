#include "hardware/hw_fetcher.h"

#include <cstdio>
#include <cstring>

#include "common/late_bound.h"
#include "common/registry.h"
#include "common/text.h"
#include "hardware/drive_list.h"

namespace {

enum {
  kMemoryStatusExLength = 64,
  kMemoryStatusLength = 32,
};

// The drive names in letter order, ended by the marker.
const char* const kDriveTable[] = {
    "A:", "B:", "C:", "D:", "E:", "F:", "G:", "H:", "I:", "J:", "K:", "L:", "M:", "N:",
    "O:", "P:", "Q:", "R:", "S:", "T:", "U:", "V:", "W:", "X:", "Y:", "Z:", "**"};

// Unsigned decimal text without sign, leading zeros or separators. The runtime's 64-bit
// printf forms differ between the C libraries we link, so the digits are made here.
void FormatUnsigned64(ULONGLONG value, char (&text)[kUnsigned64TextCapacity + 1]) {
  char reversed[kUnsigned64TextCapacity + 1];
  int length = 0;
  do {
    reversed[length++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = 0; i < length; ++i) text[i] = reversed[length - 1 - i];
  text[length] = '\0';
}

ULONGLONG ToMegabytes(ULONGLONG bytes) { return bytes >> 20; }

}  // namespace

CHwFetcher::CHwFetcher() {}
CHwFetcher::~CHwFetcher() {}

bool CHwFetcher::GetCpu(char* buffer, int capacity) {
  EntryList entries(WorkText);
  for (int index = 0; index < 4; ++index) {
    char path[kKeyPathCapacity + 1];
    std::memset(path, 0, sizeof(path));
    wsprintfA(path, "Hardware\\Description\\System\\CentralProcessor\\%d", index);
    KeyHolder processor;
    if (!processor.Open(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE)) {
      if (index == 0) DescribeFromSystemInfo();
      break;
    }

    char value[kProcessorTextCapacity + 1];
    char entry[kProcessorTextCapacity + 1];
    std::memset(entry, 0, sizeof(entry));
    bool found = false;
    if (ReadValueText(processor.Get(), "ProcessorNameString", value)) {
      BoundedCopy(entry, value);
      found = true;
    } else if (ReadValueText(processor.Get(), "Identifier", value)) {
      char identifier[kProcessorIdentifierCapacity + 1];
      std::memset(identifier, 0, sizeof(identifier));
      BoundedCopy(identifier, value);
      DWORD clock = 0;
      if (ReadValueDword(processor.Get(), "~MHz", &clock))
        wsprintfA(entry, "%s %d Mhz", identifier, static_cast<int>(clock));
      else
        BoundedCopy(entry, identifier);
      found = true;
    } else if (ReadValueText(processor.Get(), "VendorIdentifier", value)) {
      BoundedCopy(entry, value);
      found = true;
    }
    if (found) entries.Add(entry);
  }
  CollapseSpaces(WorkText, capacity < kDeviceListCapacity ? capacity : kDeviceListCapacity);
  BoundedCopy(buffer, WorkText, capacity);
  return true;
}

void CHwFetcher::DescribeFromSystemInfo() {
  SYSTEM_INFO info;
  std::memset(&info, 0, sizeof(info));
  GetSystemInfo(&info);
  const char* name = "Unknown";
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      if (info.dwProcessorType == PROCESSOR_INTEL_386)
        name = "Intel 386";
      else if (info.dwProcessorType == PROCESSOR_INTEL_486)
        name = "Intel 486";
      else if (info.dwProcessorType == PROCESSOR_INTEL_PENTIUM)
        name = "Intel Pentium";
      break;
    case PROCESSOR_ARCHITECTURE_MIPS:
      name = "MIPS";
      break;
    case PROCESSOR_ARCHITECTURE_ALPHA:
      name = "ALPHA";
      break;
    case PROCESSOR_ARCHITECTURE_PPC:
      name = "PPC";
      break;
    case PROCESSOR_ARCHITECTURE_IA64:
      name = "IA64";
      break;
    case PROCESSOR_ARCHITECTURE_AMD64:
      name = "AMD64";
      break;
    default:
      break;
  }
  BoundedCopy(WorkText, name);
}

void CHwFetcher::CollapseSpaces(char* text, int count) {
  if (count > kDeviceListCapacity) count = kDeviceListCapacity;
  if (count <= 0) return;
  char scratch[kDeviceListCapacity + 1];
  std::memset(scratch, 0, sizeof(scratch));
  bool previousWasBlank = false;
  int written = 0;
  // Past the terminator only zero bytes would be copied, and the copy back fills those anyway.
  for (int i = 0; i < count && text[i] != '\0'; ++i) {
    if (text[i] == ' ') {
      if (!previousWasBlank) scratch[written++] = ' ';
      previousWasBlank = true;
    } else {
      scratch[written++] = text[i];
      previousWasBlank = false;
    }
  }
  BoundedCopy(text, scratch, count);
}

bool CHwFetcher::GetRam(char* buffer, int capacity) {
  std::memset(WorkText, 0, sizeof(WorkText));
  PGLOBALMEMORYSTATUSEX statusEx =
      LookUpKernelFunction<PGLOBALMEMORYSTATUSEX>("GlobalMemoryStatusEx");

  double megabytes = 0;
  if (statusEx != nullptr) {
    MEMORYSTATUSEX status;
    std::memset(&status, 0, sizeof(status));
    status.dwLength = kMemoryStatusExLength;
    statusEx(&status);
    megabytes = static_cast<DWORD>(status.ullTotalPhys >> 20);
  } else {
    MEMORYSTATUS status;
    std::memset(&status, 0, sizeof(status));
    status.dwLength = kMemoryStatusLength;
    GlobalMemoryStatus(&status);
    // Single precision on purpose: the fraction of a megabyte is kept (511.5).
    float value = static_cast<float>(status.dwTotalPhys * (1.0 / 1024) * (1.0 / 1024));
    megabytes = value;
  }
  // wsprintfA has no floating point.
  std::snprintf(WorkText, sizeof(WorkText), "%.1f", megabytes);
  BoundedCopy(buffer, WorkText, capacity);
  return true;
}

ULONGLONG CHwFetcher::GetFreeBytes(const char* rootPath) { return MeasureDrive(rootPath, false); }

ULONGLONG CHwFetcher::GetTotalBytes(const char* rootPath) { return MeasureDrive(rootPath, true); }

ULONGLONG CHwFetcher::MeasureDrive(const char* rootPath, bool wantTotal) {
  PGETDISKFREESPACEEXA freeSpaceEx =
      LookUpKernelFunction<PGETDISKFREESPACEEXA>("GetDiskFreeSpaceExA");
  if (freeSpaceEx != nullptr) {
    ULARGE_INTEGER available, total, free;
    std::memset(&available, 0, sizeof(available));
    std::memset(&total, 0, sizeof(total));
    std::memset(&free, 0, sizeof(free));
    if (freeSpaceEx(rootPath, &available, &total, &free))
      return wantTotal ? total.QuadPart : available.QuadPart;
  }

  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceA(rootPath, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters))
    return 0;
  // In 64 bits: drives of 4 GB and more overflow a 32-bit product.
  ULONGLONG clusterBytes = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector;
  return clusterBytes * (wantTotal ? totalClusters : freeClusters);
}

bool CHwFetcher::GetDrives(char* buffer, int capacity) {
  std::memset(WorkText, 0, sizeof(WorkText));
  ULONGLONG totalSum = 0;
  ULONGLONG freeSum = 0;
  for (int i = 0; std::strcmp(kDriveTable[i], "**") != 0; ++i) {
    const char* drive = kDriveTable[i];
    char rootPath[8];
    std::memset(rootPath, 0, sizeof(rootPath));
    wsprintfA(rootPath, "%s\\", drive);

    drive_list::EntryText entry;
    std::memset(entry, 0, sizeof(entry));
    switch (GetDriveTypeA(rootPath)) {
      case DRIVE_REMOVABLE:
        drive_list::FormatEntry(entry, drive, drive_list::kRemovable, "", "");
        break;
      case DRIVE_CDROM:
        drive_list::FormatEntry(entry, drive, drive_list::kCdrom, "", "");
        break;
      case DRIVE_FIXED: {
        ULONGLONG freeBytes = GetFreeBytes(rootPath);
        ULONGLONG totalBytes = GetTotalBytes(rootPath);
        freeSum += freeBytes;
        totalSum += totalBytes;
        char totalText[kUnsigned64TextCapacity + 1];
        char freeText[kUnsigned64TextCapacity + 1];
        FormatUnsigned64(ToMegabytes(totalBytes), totalText);
        FormatUnsigned64(ToMegabytes(freeBytes), freeText);
        drive_list::FormatEntry(entry, drive, drive_list::kFixed, totalText, freeText);
        break;
      }
      default:  // unknown, no root, network share, RAM disk: not listed, not counted
        break;
    }
    BoundedAppend(WorkText, entry);
  }

  char totalText[kUnsigned64TextCapacity + 1];
  char freeText[kUnsigned64TextCapacity + 1];
  FormatUnsigned64(ToMegabytes(totalSum), totalText);
  FormatUnsigned64(ToMegabytes(freeSum), freeText);
  drive_list::EntryText summary;
  drive_list::FormatSummary(summary, totalText, freeText);
  BoundedAppend(WorkText, summary);

  BoundedCopy(buffer, WorkText, capacity);
  return true;
}

bool CHwFetcher::GetDevicesOfClass(const char*, char*, int) { return false; }
bool CHwFetcher::GetMonitor(char*, int) { return false; }
bool CHwFetcher::GetMouse(char*, int) { return false; }
bool CHwFetcher::GetKeyboard(char*, int) { return false; }
bool CHwFetcher::GetCdrom(char*, int) { return false; }
bool CHwFetcher::GetMedia(char*, int) { return false; }
bool CHwFetcher::GetModem(char*, int) { return false; }
bool CHwFetcher::GetVideo(char*, int) { return false; }
bool CHwFetcher::GetDefaultPrinter(char*, int) { return false; }
bool CHwFetcher::GetScsi(char*, int) { return false; }
bool CHwFetcher::GetNetwork(char*, int) { return false; }
bool CHwFetcher::GetUsb(char*, int) { return false; }

bool CHwFetcher::AnswerList(const EntryList& list, char* buffer, int capacity) {
  if (list.Count() == 0) return AnswerNone(buffer, capacity);
  BoundedCopy(buffer, WorkText, capacity);
  return true;
}

bool CHwFetcher::AnswerNone(char* buffer, int capacity) {
  BoundedCopy(buffer, "None", capacity);
  return false;
}
