#include "hardware/hw_fetcher_vista.h"

#include <cstring>

#include "common/text.h"

CHwFetcherVista::CHwFetcherVista() {}
CHwFetcherVista::~CHwFetcherVista() {}

// NT 6 keeps descriptions as "@driver.inf,%id%;display text": the display text is the entry.
bool CHwFetcherVista::GetDevicesOfClass(const char* className, char* buffer, int capacity) {
  return WalkClass(className, &CHwFetcherVista::GetTextAfterSemicolon, buffer, capacity);
}

// Root-enumerated instances are software devices (remote desktop and the like).
bool CHwFetcherVista::GetDevicesOfService(const char* serviceName, char* buffer, int capacity) {
  return WalkService(serviceName, "Root", &CHwFetcherVista::GetTextAfterSemicolon, buffer,
                     capacity);
}

bool CHwFetcherVista::GetMonitor(char* buffer, int capacity) {
  return WalkMonitorModel(&CHwFetcherVista::GetTextAfterSemicolon, buffer, capacity);
}

// By device class; the SCSI device map is not read on this generation.
bool CHwFetcherVista::GetCdrom(char* buffer, int capacity) {
  return GetDevicesOfClass("cdrom", buffer, capacity);
}

bool CHwFetcherVista::GetTextAfterSemicolon(const char* text, char* output, int outCapacity) {
  const char* separator = std::strchr(text, ';');
  if (separator == nullptr) return false;
  BoundedCopy(output, separator + 1, outCapacity);
  return true;
}
