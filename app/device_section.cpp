#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/elements.h"
#include "app/globals.h"
#include "app/sections.h"
#include "hardware/drive_list.h"
#include "hardware/hw_fetcher.h"
#include "platform/win32.h"
#include "report/sorvik_out.h"

namespace {

enum {
  kMaxDriveLines = 30,
};

// The processor, then (after the memory and the disk) the device elements, in report order
// (not slot order). A processor slot's text is written as it is left; a device slot that
// answers false gives an empty element.
const SlotElement<CHwFetcher> kProcessorElement[] = {{"cpu", &CHwFetcher::GetCpu}};

const SlotElement<CHwFetcher> kDeviceElements[] = {
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

// One drive line per entry, until the summary, the end of the text, an entry that can't be
// read, or the line limit.
void WriteDriveLines(const char* driveList) {
  const char* cursor = driveList;
  drive_list::Entry entry;
  for (int count = 0; count < kMaxDriveLines && drive_list::ReadEntry(&cursor, &entry); ++count) {
    char line[kReportLineCapacity + 1];
    std::memset(line, 0, sizeof(line));
    if (entry.kind == drive_list::kFixed) {
      wsprintfA(line,
                "<drive type=\"fixed\" letter=\"%c\" totalSpaceMb=\"%s\" "
                "availableSpaceMb=\"%s\" />\n",
                entry.letter, entry.totalMb, entry.freeMb);
    } else {
      wsprintfA(line, "<drive type=\"%s\" letter=\"%c\" />\n",
                entry.kind == drive_list::kCdrom ? "cd" : "removable", entry.letter);
    }
    g_pOut->WriteText(2, line);
  }
}

void WriteMemoryElement() {
  ElementValue value;
  AskSlot(g_pHwFetcher, &CHwFetcher::GetRam, value);
  char memorySize[kIntTextCapacity + 1];
  std::memset(memorySize, 0, sizeof(memorySize));
  if (!NormalizeRamSize(memorySize, value)) memorySize[0] = '\0';
  g_pOut->WriteElement(1, "ramMb", memorySize);
}

void WriteDiskElement() {
  ElementValue driveList;
  AskSlot(g_pHwFetcher, &CHwFetcher::GetDrives, driveList);
  drive_list::SizeText totalText;
  drive_list::SizeText availableText;
  // Without a complete summary there is no disk element at all.
  if (!drive_list::ReadSummary(driveList, totalText, availableText)) return;

  char line[kReportLineCapacity + 1];
  std::memset(line, 0, sizeof(line));
  wsprintfA(line, "<disk totalSpaceMb=\"%s\" availableSpaceMb=\"%s\">\n", totalText, availableText);
  g_pOut->WriteText(1, line);
  WriteDriveLines(driveList);
  g_pOut->WriteText(1, "</disk>\n");
}

}  // namespace

bool WriteDeviceSection() {
  g_pOut->WriteText(0, "<device>\n");
  WriteSlotElements(1, g_pHwFetcher, kProcessorElement, kKeepText);
  WriteMemoryElement();
  WriteDiskElement();
  WriteSlotElements(1, g_pHwFetcher, kDeviceElements, kEmptyText);
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
