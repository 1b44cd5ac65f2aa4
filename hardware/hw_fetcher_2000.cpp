#include "hardware/hw_fetcher_2000.h"

CHwFetcher2000::CHwFetcher2000() {}
CHwFetcher2000::~CHwFetcher2000() {}
bool CHwFetcher2000::GetDevicesOfClass(const char*, char*, int) { return false; }
bool CHwFetcher2000::GetMonitor(char*, int) { return false; }
bool CHwFetcher2000::GetMouse(char* b, int c) { return GetDevicesOfService("Mouclass", b, c); }
bool CHwFetcher2000::GetKeyboard(char* b, int c) { return GetDevicesOfService("Kbdclass", b, c); }
bool CHwFetcher2000::GetCdrom(char*, int) { return false; }
bool CHwFetcher2000::GetModem(char* b, int c) { return GetDevicesOfService("Modem", b, c); }
bool CHwFetcher2000::GetDefaultPrinter(char*, int) { return false; }
bool CHwFetcher2000::GetDevicesOfService(const char*, char*, int) { return false; }
