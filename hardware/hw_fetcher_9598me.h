// CHwFetcher9598Me: the 9x device walk over the configuration manager's list, and the
// class-name slots that every later class inherits.
#pragma once

#include "hardware/hw_fetcher.h"

class CHwFetcher9598Me : public CHwFetcher {
 public:
  CHwFetcher9598Me();
  ~CHwFetcher9598Me() override;
  bool GetDevicesOfClass(const char* className, char* buffer, int capacity) override;
  bool GetMonitor(char* buffer, int capacity) override;
  bool GetMouse(char* buffer, int capacity) override;
  bool GetKeyboard(char* buffer, int capacity) override;
  bool GetCdrom(char* buffer, int capacity) override;
  bool GetMedia(char* buffer, int capacity) override;
  bool GetModem(char* buffer, int capacity) override;
  bool GetVideo(char* buffer, int capacity) override;
  bool GetDefaultPrinter(char* buffer, int capacity) override;
  bool GetScsi(char* buffer, int capacity) override;
  bool GetNetwork(char* buffer, int capacity) override;
  bool GetUsb(char* buffer, int capacity) override;
};
