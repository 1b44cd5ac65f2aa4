// CHwFetcherVista: NT 6 and later; entries reduced to the text after their first ";".
#pragma once

#include "hardware/hw_fetcher_xp.h"

class CHwFetcherVista : public CHwFetcherXp {
 public:
  CHwFetcherVista();
  ~CHwFetcherVista() override;
  bool GetDevicesOfClass(const char* className, char* buffer, int capacity) override;
  bool GetMonitor(char* buffer, int capacity) override;
  bool GetCdrom(char* buffer, int capacity) override;
  bool GetDevicesOfService(const char* serviceName, char* buffer, int capacity) override;
  // Copies what follows the first ";" of `text` (at most `outCapacity` characters) and
  // returns true; false, `output` untouched, when there is no ";".
  static bool GetTextAfterSemicolon(const char* text, char* output, int outCapacity);
};
