// CSwFetcherVista: the uninstall scan plus the component servicing packages, which it lists
// between the machine's uninstall entries and the user's.
#pragma once

#include <cstdio>

#include "software/sw_fetcher.h"

class CSwFetcherVista : public CSwFetcher {
 public:
  CSwFetcherVista();
  ~CSwFetcherVista() override;

  bool GetPackageDisplayName(const char* keyName, char* output, int capacity);
  bool GetPackageVersion(const char* keyName, char* output, int capacity);

 protected:
  // One record line per update package of the servicing store.
  int WritePackageRecords(FILE* file) override;

 private:
  void WritePackageRecord(FILE* file, HKEY package, const char* keyName, const char* displayName);
};
