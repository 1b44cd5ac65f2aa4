#include "software/sw_fetcher.h"

CSwFetcher::CSwFetcher() {}
CSwFetcher::~CSwFetcher() {}
bool CSwFetcher::GetSoftwareList(const char*, bool) { return false; }
bool CSwFetcher::RemoveDuplicateLines(const char*) { return false; }
