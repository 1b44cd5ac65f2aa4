#include "hardware/hw_fetcher_2000.h"

#include <cstring>

#include "common/registry.h"
#include "common/text.h"

namespace {

enum {
  kInstanceValues = 4,  // "0" to "3"; a service's own count is not trusted
  kScsiRange = 10,
};

const char kServicesPath[] = "SYSTEM\\CurrentControlSet\\Services";
const char kDevicePathFormat[] = "SYSTEM\\CurrentControlSet\\Enum\\%s";

// Opens the device key that instance value `index` of `key` names, unless the value is
// missing, contains `skipMarker` (when given) or makes a path that would not fit.
bool OpenInstanceDevice(HKEY key, int index, const char* skipMarker, KeyHolder& device) {
  char valueName[kIntTextCapacity + 1];
  std::memset(valueName, 0, sizeof(valueName));
  wsprintfA(valueName, "%d", index);
  char instance[kDeviceValueCapacity + 1];
  if (!ReadValueText(key, valueName, instance)) return false;
  if (skipMarker != nullptr && std::strstr(instance, skipMarker) != nullptr) return false;
  char path[kKeyPathCapacity + 1];
  if (!BoundedFormat(path, kDevicePathFormat, instance)) return false;
  return device.Open(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE);
}

}  // namespace

CHwFetcher2000::CHwFetcher2000() {}
CHwFetcher2000::~CHwFetcher2000() {}

bool CHwFetcher2000::GetDevicesOfClass(const char* className, char* buffer, int capacity) {
  return WalkClass(className, nullptr, buffer, capacity);
}

bool CHwFetcher2000::GetDevicesOfService(const char* serviceName, char* buffer, int capacity) {
  // Remote desktop's virtual mouse and keyboard are not hardware.
  return WalkService(serviceName, "RDP_", nullptr, buffer, capacity);
}

bool CHwFetcher2000::GetMouse(char* b, int c) { return GetDevicesOfService("Mouclass", b, c); }
bool CHwFetcher2000::GetKeyboard(char* b, int c) { return GetDevicesOfService("Kbdclass", b, c); }
bool CHwFetcher2000::GetModem(char* b, int c) { return GetDevicesOfService("Modem", b, c); }

void CHwFetcher2000::AddReduced(EntryList& entries, const char* text, EntryReducer reduce) {
  if (reduce != nullptr) {
    char reduced[kDescriptionCapacity + 1];
    std::memset(reduced, 0, sizeof(reduced));
    if (reduce(text, reduced, kDescriptionCapacity)) {
      entries.Add(reduced);
      return;
    }
  }
  entries.Add(text);
}

// Every subkey of a service is examined, not only "Enum": some drivers file their
// instances elsewhere. Nothing is cached; each class walks the whole tree again.
bool CHwFetcher2000::WalkClass(const char* className, EntryReducer reduce, char* buffer,
                               int capacity) {
  EntryList entries(WorkText);
  SubkeyWalk services;
  if (!services.Open(HKEY_LOCAL_MACHINE, kServicesPath, KEY_ENUMERATE_SUB_KEYS))
    return AnswerNone(buffer, capacity);
  const bool needsLocation = SameTextIgnoringCase(className, "net");

  while (services.Next()) {
    SubkeyWalk subkeys;
    if (!subkeys.Open(services.Key(), services.Name(), KEY_ENUMERATE_SUB_KEYS)) continue;
    while (subkeys.NextChild(KEY_QUERY_VALUE)) {
      for (int index = 0; index < kInstanceValues; ++index) {
        KeyHolder device;
        if (!OpenInstanceDevice(subkeys.Child(), index, nullptr, device)) continue;
        char text[kDeviceValueCapacity + 1];
        // Only network adapters with a bus location are physical ones.
        if (needsLocation && !ReadValueText(device.Get(), "LocationInformation", text)) continue;
        if (!ReadValueText(device.Get(), "Class", text)) continue;
        if (!SameTextIgnoringCase(text, className)) continue;
        if (!ReadValueText(device.Get(), "FriendlyName", text) &&
            !ReadValueText(device.Get(), "DeviceDesc", text))
          continue;
        AddReduced(entries, text, reduce);
      }
    }
  }
  return AnswerList(entries, buffer, capacity);
}

bool CHwFetcher2000::WalkService(const char* serviceName, const char* skipMarker,
                                 EntryReducer reduce, char* buffer, int capacity) {
  char enumPath[kKeyPathCapacity + 1];
  KeyHolder enumKey;
  if (!BoundedFormat(enumPath, "SYSTEM\\CurrentControlSet\\Services\\%s\\Enum", serviceName) ||
      !enumKey.Open(HKEY_LOCAL_MACHINE, enumPath, KEY_QUERY_VALUE))
    return AnswerNone(buffer, capacity);

  EntryList entries(WorkText);
  for (int index = 0; index < kInstanceValues; ++index) {
    char description[kDescriptionCapacity + 1];
    {
      KeyHolder device;
      if (!OpenInstanceDevice(enumKey.Get(), index, skipMarker, device)) continue;
      if (!ReadValueText(device.Get(), "DeviceDesc", description)) continue;
    }
    AddReduced(entries, description, reduce);
  }
  return AnswerList(entries, buffer, capacity);
}

// CD-ROM units as the SCSI port drivers map them; addresses of 10 and above are not looked at.
bool CHwFetcher2000::GetCdrom(char* buffer, int capacity) {
  EntryList entries(WorkText);
  for (int port = 0; port < kScsiRange; ++port) {
    for (int bus = 0; bus < kScsiRange; ++bus) {
      for (int target = 0; target < kScsiRange; ++target) {
        for (int unit = 0; unit < kScsiRange; ++unit) {
          char path[kKeyPathCapacity + 1];
          std::memset(path, 0, sizeof(path));
          wsprintfA(path,
                    "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port %d\\Scsi Bus %d\\Target Id %d\\Logical "
                    "Unit Id %d",
                    port, bus, target, unit);
          KeyHolder unitKey;
          if (!unitKey.Open(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE)) continue;
          char text[kDeviceValueCapacity + 1];
          if (!ReadValueText(unitKey.Get(), "Type", text)) continue;
          if (!SameTextIgnoringCase(text, "CdRomPeripheral")) continue;
          if (!ReadValueText(unitKey.Get(), "Identifier", text)) continue;
          unitKey.Close();
          entries.Add(text);
        }
      }
    }
  }
  return AnswerList(entries, buffer, capacity);
}

bool CHwFetcher2000::GetDefaultPrinter(char* buffer, int capacity) {
  char name[kDescriptionCapacity + 1];
  std::memset(name, 0, sizeof(name));
  DWORD length = kDescriptionCapacity;
  if (!DefaultPrinterByOrdinal(name, &length)) return AnswerNone(buffer, capacity);
  BoundedCopy(buffer, name, capacity);
  return true;
}

// The first "DeviceDesc" readable under the generic monitor key, never a list. The one slot
// that answers an empty text, not "None", when the key holds no readable description.
bool CHwFetcher2000::GetMonitor(char* buffer, int capacity) {
  std::memset(WorkText, 0, sizeof(WorkText));
  SubkeyWalk monitors;
  if (!monitors.Open(HKEY_LOCAL_MACHINE,
                     "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor",
                     KEY_ENUMERATE_SUB_KEYS))
    return AnswerNone(buffer, capacity);

  while (monitors.NextChild(KEY_QUERY_VALUE)) {
    if (ReadValueText(monitors.Child(), "DeviceDesc", WorkText)) {
      BoundedCopy(buffer, WorkText, capacity);
      return true;
    }
  }
  BoundedCopy(buffer, WorkText, capacity);
  return false;
}
