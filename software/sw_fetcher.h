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
  // Writes one record line per servicing package into the open record file, between the
  // machine's uninstall entries and the user's, and returns the number written. Only NT 6
  // and later keep a servicing store: none here.
  virtual int WritePackageRecords(FILE* file);

 private:
  // Write one record line per uninstall entry with a display name into the open record file
  // and return the number of lines written: the machine's entries (of both registry views on
  // 64-bit Windows), and the current user's, which are listed last.
  int WriteMachineUninstallRecords(FILE* file);
  int WriteUserUninstallRecords(FILE* file);
  // The entries of one uninstall key; `view` is the registry view flag of every open.
  int WriteUninstallKey(FILE* file, HKEY root, REGSAM view);
  // Closes the record file that the scan wrote and removes its duplicate lines when asked; the
  // result of GetSoftwareList: true when the file holds records and every write succeeded.
  bool FinishList(FILE* file, int recordCount, const char* filePath, bool removeDuplicates);
};
