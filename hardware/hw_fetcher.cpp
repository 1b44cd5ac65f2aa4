#include "hardware/hw_fetcher.h"

CHwFetcher::CHwFetcher() {}
CHwFetcher::~CHwFetcher() {}
bool CHwFetcher::GetCpu(char*, int) { return true; }
bool CHwFetcher::GetRam(char*, int) { return true; }
bool CHwFetcher::GetDrives(char*, int) { return true; }
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
void CHwFetcher::CollapseSpaces(char*, int) {}
ULONGLONG CHwFetcher::GetFreeBytes(const char*) { return 0; }
ULONGLONG CHwFetcher::GetTotalBytes(const char*) { return 0; }
