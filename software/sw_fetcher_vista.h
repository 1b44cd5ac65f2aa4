// CSwFetcherVista: the uninstall scan plus the component servicing packages.
#pragma once

#include <cstdio>

#include "software/sw_fetcher.h"

class CSwFetcherVista : public CSwFetcher {
 public:
  CSwFetcherVista();
  ~CSwFetcherVista() override;

  bool GetSoftwareList(const char* filePath, bool removeDuplicates) override;
  bool GetPackageDisplayName(const char* keyName, char* output, int capacity);
  bool GetPackageVersion(const char* keyName, char* output, int capacity);

 private:
  // Writes one record line per update package of the servicing store; returns the count.
  int WritePackageRecords(FILE* file);
  void WritePackageRecord(FILE* file, HKEY package, const char* keyName, const char* displayName);
};
