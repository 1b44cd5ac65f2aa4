#include "hardware/hw_fetcher_9598me.h"

CHwFetcher9598Me::CHwFetcher9598Me() {}
CHwFetcher9598Me::~CHwFetcher9598Me() {}
bool CHwFetcher9598Me::GetDevicesOfClass(const char*, char*, int) { return false; }
bool CHwFetcher9598Me::GetMonitor(char* b, int c) { return GetDevicesOfClass("monitor", b, c); }
bool CHwFetcher9598Me::GetMouse(char* b, int c) { return GetDevicesOfClass("mouse", b, c); }
bool CHwFetcher9598Me::GetKeyboard(char* b, int c) { return GetDevicesOfClass("keyboard", b, c); }
bool CHwFetcher9598Me::GetCdrom(char* b, int c) { return GetDevicesOfClass("cdrom", b, c); }
bool CHwFetcher9598Me::GetMedia(char* b, int c) { return GetDevicesOfClass("media", b, c); }
bool CHwFetcher9598Me::GetModem(char* b, int c) { return GetDevicesOfClass("modem", b, c); }
bool CHwFetcher9598Me::GetVideo(char* b, int c) { return GetDevicesOfClass("display", b, c); }
bool CHwFetcher9598Me::GetDefaultPrinter(char*, int) { return false; }
bool CHwFetcher9598Me::GetScsi(char* b, int c) { return GetDevicesOfClass("scsiadapter", b, c); }
bool CHwFetcher9598Me::GetNetwork(char* b, int c) { return GetDevicesOfClass("net", b, c); }
bool CHwFetcher9598Me::GetUsb(char* b, int c) { return GetDevicesOfClass("usb", b, c); }
