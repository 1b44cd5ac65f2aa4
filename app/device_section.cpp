#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/globals.h"
#include "app/sections.h"
#include "common/text.h"
#include "hardware/hw_fetcher.h"
#include "platform/win32.h"
#include "report/sorvik_out.h"

namespace {

enum {
  kDriveTypeCapacity = 20,
  kMaxDriveLines = 30,
};

// The device elements in report order (not slot order).
struct DeviceElement {
  const char* name;
  bool (CHwFetcher::*slot)(char* buffer, int capacity);
};

const DeviceElement kDeviceElements[] = {
    {"monitor", &CHwFetcher::GetMonitor},
    {"mouse", &CHwFetcher::GetMouse},
    {"keyboard", &CHwFetcher::GetKeyboard},
    {"cdrom", &CHwFetcher::GetCdrom},
    {"modem", &CHwFetcher::GetModem},
    {"video", &CHwFetcher::GetVideo},
    {"media", &CHwFetcher::GetMedia},
    {"network", &CHwFetcher::GetNetwork},
    {"defaultPrinter", &CHwFetcher::GetDefaultPrinter},
    {"scsi", &CHwFetcher::GetScsi},
    {"usb", &CHwFetcher::GetUsb},
};

// Copies the `length` characters at `start` (at most the capacity) into a zero-filled area
// of kSizeTextCapacity + 1.
void CopySizeText(char* area, const char* start, size_t length) {
  std::memset(area, 0, kSizeTextCapacity + 1);
  if (length > kSizeTextCapacity) length = kSizeTextCapacity;
  std::memcpy(area, start, length);
}

// The summary "(TOTAL:<total>M/<free>M)" of a drive list text; false when it is incomplete.
bool ParseDriveSummary(char* parseCopy, char* totalText, char* availableText) {
  const char kTotalMark[] = "TOTAL:";
  char* total = std::strstr(parseCopy, kTotalMark);
  if (total == nullptr) return false;
  total += sizeof(kTotalMark) - 1;
  char* totalEnd = std::strstr(total, "M/");
  if (totalEnd == nullptr) return false;
  *totalEnd = '\0';
  CopySizeText(totalText, total, static_cast<size_t>(totalEnd - total));
  char* available = totalEnd + 2;
  char* availableEnd = std::strstr(available, "M)");
  if (availableEnd == nullptr) return false;
  *availableEnd = '\0';
  CopySizeText(availableText, available, static_cast<size_t>(availableEnd - available));
  return true;
}

// One drive line per entry, until the summary, the end of the text, an entry that can't be
// read, or the line limit.
void WriteDriveLines(const char* parseCopy) {
  const char* current = parseCopy;
  for (int count = 0; count < kMaxDriveLines; ++count) {
    if (*current == '\0' || *current == '(') break;
    const char letter = current[0];
    char line[kReportLineCapacity + 1];
    std::memset(line, 0, sizeof(line));
    if (current[2] == 'C' || current[2] == 'R') {
      char type[kDriveTypeCapacity + 1];
      std::memset(type, 0, sizeof(type));
      BoundedCopy(type, current[2] == 'C' ? "cd" : "removable");
      wsprintfA(line, "<drive type=\"%s\" letter=\"%c\" />\n", type, letter);
      current += 5;
    } else {
      const char* total = current + 2;
      const char* totalEnd = std::strstr(total, "M/");
      if (totalEnd == nullptr) break;
      const char* available = totalEnd + 2;
      const char* availableEnd = std::strstr(available, "M ");
      if (availableEnd == nullptr) break;
      char totalText[kSizeTextCapacity + 1];
      char availableText[kSizeTextCapacity + 1];
      CopySizeText(totalText, total, static_cast<size_t>(totalEnd - total));
      CopySizeText(availableText, available, static_cast<size_t>(availableEnd - available));
      wsprintfA(line,
                "<drive type=\"fixed\" letter=\"%c\" totalSpaceMb=\"%s\" "
                "availableSpaceMb=\"%s\" />\n",
                letter, totalText, availableText);
      current = availableEnd + 2;
    }
    g_pOut->WriteText(2, line);
  }
}

void WriteDiskElement(const char* driveList) {
  char totalText[kSizeTextCapacity + 1];
  char availableText[kSizeTextCapacity + 1];
  char parseCopy[kElementValueCapacity + 1];
  std::memset(totalText, 0, sizeof(totalText));
  std::memset(availableText, 0, sizeof(availableText));
  std::memset(parseCopy, 0, sizeof(parseCopy));
  BoundedCopy(parseCopy, driveList);
  // Without a complete summary there is no disk element at all.
  if (!ParseDriveSummary(parseCopy, totalText, availableText)) return;

  char line[kReportLineCapacity + 1];
  std::memset(line, 0, sizeof(line));
  wsprintfA(line, "<disk totalSpaceMb=\"%s\" availableSpaceMb=\"%s\">\n", totalText, availableText);
  g_pOut->WriteText(1, line);

  // The summary search cut the copy; the entries are read from a fresh one.
  std::memset(parseCopy, 0, sizeof(parseCopy));
  BoundedCopy(parseCopy, driveList);
  WriteDriveLines(parseCopy);
  g_pOut->WriteText(1, "</disk>\n");
}

}  // namespace

bool WriteDeviceSection() {
  char value[kElementValueCapacity + 1];
  g_pOut->WriteText(0, "<device>\n");

  std::memset(value, 0, sizeof(value));
  g_pHwFetcher->GetCpu(value, kElementValueCapacity);
  g_pOut->WriteElement(1, "cpu", value);

  std::memset(value, 0, sizeof(value));
  g_pHwFetcher->GetRam(value, kElementValueCapacity);
  char memorySize[kIntTextCapacity + 1];
  std::memset(memorySize, 0, sizeof(memorySize));
  if (!NormalizeRamSize(memorySize, value)) memorySize[0] = '\0';
  g_pOut->WriteElement(1, "ramMb", memorySize);

  std::memset(value, 0, sizeof(value));
  g_pHwFetcher->GetDrives(value, kElementValueCapacity);
  WriteDiskElement(value);

  for (const DeviceElement& element : kDeviceElements) {
    std::memset(value, 0, sizeof(value));
    if (!(g_pHwFetcher->*element.slot)(value, kElementValueCapacity)) value[0] = '\0';
    g_pOut->WriteElement(1, element.name, value);
  }

  return g_pOut->WriteText(0, "</device>\n");
}

// Reported sizes fall short of the installed memory (video memory, firmware), so a value
// near a standard module size is taken for it.
bool NormalizeRamSize(char* out, char* memoryText) {
  struct Range {
    long low, high, size;
  };
  static const Range kStandardSizes[] = {
      {11, 21, 16},       {27, 37, 32},       {43, 53, 48},       {59, 69, 64},
      {123, 133, 128},    {246, 266, 256},    {502, 522, 512},    {758, 778, 768},
      {1014, 1034, 1024}, {2038, 2058, 2048}, {4086, 4106, 4096},
  };

  char* point = std::strchr(memoryText, '.');
  if (point == nullptr) return false;
  *point = '\0';
  // strtol saturates where atoi would overflow; the bounds keep "+ 2" inside an int.
  long value = std::strtol(memoryText, nullptr, 10);
  if (value > INT_MAX - 2) value = INT_MAX - 2;
  if (value < INT_MIN) value = INT_MIN;

  long result = value < 1024 ? value + 1 : value + 2;
  for (const Range& range : kStandardSizes) {
    if (value >= range.low && value <= range.high) {
      result = range.size;
      break;
    }
  }
  wsprintfA(out, "%d", static_cast<int>(result));
  return true;
}
