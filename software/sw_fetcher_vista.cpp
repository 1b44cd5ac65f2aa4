#include "software/sw_fetcher_vista.h"

CSwFetcherVista::CSwFetcherVista() {}
CSwFetcherVista::~CSwFetcherVista() {}
bool CSwFetcherVista::GetSoftwareList(const char*, bool) { return false; }
bool CSwFetcherVista::GetPackageDisplayName(const char*, char*, int) { return false; }
bool CSwFetcherVista::GetPackageVersion(const char*, char*, int) { return false; }
