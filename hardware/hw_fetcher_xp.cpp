#include "hardware/hw_fetcher_xp.h"

CHwFetcherXp::CHwFetcherXp() {}
CHwFetcherXp::~CHwFetcherXp() {}
bool CHwFetcherXp::GetMonitor(char*, int) { return false; }
