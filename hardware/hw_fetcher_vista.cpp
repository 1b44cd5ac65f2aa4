#include "hardware/hw_fetcher_vista.h"

CHwFetcherVista::CHwFetcherVista() {}
CHwFetcherVista::~CHwFetcherVista() {}
bool CHwFetcherVista::GetDevicesOfClass(const char*, char*, int) { return false; }
bool CHwFetcherVista::GetMonitor(char*, int) { return false; }
bool CHwFetcherVista::GetCdrom(char* b, int c) { return GetDevicesOfClass("cdrom", b, c); }
bool CHwFetcherVista::GetDevicesOfService(const char*, char*, int) { return false; }
bool CHwFetcherVista::GetTextAfterSemicolon(const char*, char*, int) { return false; }
