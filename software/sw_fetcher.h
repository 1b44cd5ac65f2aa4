// CSwFetcher: the uninstall registry scan into the software record file.
#pragma once

#include <cstdio>

#include "platform/win32.h"

class CSwFetcher {
 public:
  CSwFetcher();
  virtual ~CSwFetcher();
  CSwFetcher(const CSwFetcher&) = delete;
  CSwFetcher& operator=(const CSwFetcher&) = delete;

  virtual bool GetSoftwareList(const char* filePath, bool removeDuplicates);
  bool RemoveDuplicateLines(const char* filePath);

 protected:
  // Write one record line per uninstall entry with a display name into the open record file
  // and return the number of lines written: the machine's entries (of both registry views on
  // 64-bit Windows), and the current user's, which both fetchers list after the machine's.
  int WriteMachineUninstallRecords(FILE* file);
  int WriteUserUninstallRecords(FILE* file);
  // Closes the record file that a scan wrote and removes its duplicate lines when asked; the
  // result of GetSoftwareList: true when the file holds records and every write succeeded.
  bool FinishList(FILE* file, int recordCount, const char* filePath, bool removeDuplicates);

 private:
  // The entries of one uninstall key; `view` is the registry view flag of every open.
  int WriteUninstallKey(FILE* file, HKEY root, REGSAM view);
};
