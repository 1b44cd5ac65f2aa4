// CSwFetcher: the uninstall registry scan into the software record file.
#pragma once

#include <cstdio>

class CSwFetcher {
 public:
  CSwFetcher();
  virtual ~CSwFetcher();
  CSwFetcher(const CSwFetcher&) = delete;
  CSwFetcher& operator=(const CSwFetcher&) = delete;

  virtual bool GetSoftwareList(const char* filePath, bool removeDuplicates);
  bool RemoveDuplicateLines(const char* filePath);

 protected:
  // Writes one record line per uninstall entry with a display name into the open record
  // file; returns the number of lines written. Both fetchers walk the uninstall key this way.
  int WriteUninstallRecords(FILE* file);
  // Closes the record file that a scan wrote and removes its duplicate lines when asked; the
  // result of GetSoftwareList: true when the file holds records and every write succeeded.
  bool FinishList(FILE* file, int recordCount, const char* filePath, bool removeDuplicates);
};
