#include "hardware/hw_fetcher_9598me.h"

#include <cstring>

#include "common/registry.h"
#include "common/text.h"

namespace {

enum {
  kPrinterAreaBytes = 60,
};

}  // namespace

CHwFetcher9598Me::CHwFetcher9598Me() {}
CHwFetcher9598Me::~CHwFetcher9598Me() {}

// The configuration manager lists the device nodes present; each names its hardware key.
// Windows 9x checks no access rights, so the enumerated key is opened for values only.
bool CHwFetcher9598Me::GetDevicesOfClass(const char* className, char* buffer, int capacity) {
  EntryList entries(WorkText);
  SubkeyWalk nodes;
  if (!nodes.Open(HKEY_DYN_DATA, "Config Manager\\Enum", KEY_QUERY_VALUE))
    return AnswerNone(buffer, capacity);

  while (nodes.NextChild(KEY_QUERY_VALUE)) {
    char hardwareKey[kDeviceValueCapacity + 1];
    if (!ReadValueText(nodes.Child(), "HardWareKey", hardwareKey)) continue;

    char path[kKeyPathCapacity + 1];
    if (!BoundedFormat(path, "Enum\\%s", hardwareKey)) continue;
    KeyHolder device;
    if (!device.Open(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE)) continue;
    char deviceClass[kDeviceValueCapacity + 1];
    if (!ReadValueText(device.Get(), "Class", deviceClass)) continue;
    if (!SameTextIgnoringCase(deviceClass, className)) continue;
    char description[kDeviceValueCapacity + 1];
    if (!ReadValueText(device.Get(), "DeviceDesc", description)) continue;
    entries.Add(description);
  }
  return AnswerList(entries, buffer, capacity);
}

bool CHwFetcher9598Me::GetMonitor(char* b, int c) { return GetDevicesOfClass("monitor", b, c); }
bool CHwFetcher9598Me::GetMouse(char* b, int c) { return GetDevicesOfClass("mouse", b, c); }
bool CHwFetcher9598Me::GetKeyboard(char* b, int c) { return GetDevicesOfClass("keyboard", b, c); }
bool CHwFetcher9598Me::GetCdrom(char* b, int c) { return GetDevicesOfClass("cdrom", b, c); }
bool CHwFetcher9598Me::GetMedia(char* b, int c) { return GetDevicesOfClass("media", b, c); }
bool CHwFetcher9598Me::GetModem(char* b, int c) { return GetDevicesOfClass("modem", b, c); }
bool CHwFetcher9598Me::GetVideo(char* b, int c) { return GetDevicesOfClass("display", b, c); }
bool CHwFetcher9598Me::GetScsi(char* b, int c) { return GetDevicesOfClass("scsiadapter", b, c); }
bool CHwFetcher9598Me::GetNetwork(char* b, int c) { return GetDevicesOfClass("net", b, c); }
bool CHwFetcher9598Me::GetUsb(char* b, int c) { return GetDevicesOfClass("usb", b, c); }

// One call into a fixed 60-byte area: a default printer whose record and texts need more
// is reported as none, as on the systems this class was made for.
bool CHwFetcher9598Me::GetDefaultPrinter(char* buffer, int capacity) {
  char name[kDescriptionCapacity + 1];
  std::memset(name, 0, sizeof(name));
  union {
    PRINTER_INFO_5A record;
    BYTE bytes[kPrinterAreaBytes];
  } area;
  std::memset(&area, 0, sizeof(area));
  DWORD needed = 0;
  DWORD returned = 0;
  bool found = EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 5, area.bytes, kPrinterAreaBytes,
                             &needed, &returned) &&
               returned > 0 && area.record.pPrinterName != nullptr;
  wsprintfA(name, "%s", found ? area.record.pPrinterName : "None");
  BoundedCopy(buffer, name, capacity);
  return found;
}
