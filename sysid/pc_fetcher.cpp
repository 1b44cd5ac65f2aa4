#include "sysid/pc_fetcher.h"

CPcFetcher::CPcFetcher() : WorkBuffer() {}
CPcFetcher::~CPcFetcher() {}
bool CPcFetcher::GetIp(char*, int) { return false; }
bool CPcFetcher::GetPcName(char*, int) { return false; }
bool CPcFetcher::GetUser(char*, int) { return false; }
