// CSwFetcher: the uninstall registry scan into the software record file.
#pragma once

class CSwFetcher {
 public:
  CSwFetcher();
  virtual ~CSwFetcher();
  CSwFetcher(const CSwFetcher&) = delete;
  CSwFetcher& operator=(const CSwFetcher&) = delete;

  virtual bool GetSoftwareList(const char* filePath, bool removeDuplicates);
  bool RemoveDuplicateLines(const char* filePath);
};
