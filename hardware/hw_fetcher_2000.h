// CHwFetcher2000: the NT walks over the driver services, the SCSI map and the spooler.
#pragma once

#include "hardware/hw_fetcher_9598me.h"

class CHwFetcher2000 : public CHwFetcher9598Me {
 public:
  CHwFetcher2000();
  ~CHwFetcher2000() override;
  bool GetDevicesOfClass(const char* className, char* buffer, int capacity) override;
  bool GetMonitor(char* buffer, int capacity) override;
  bool GetMouse(char* buffer, int capacity) override;
  bool GetKeyboard(char* buffer, int capacity) override;
  bool GetCdrom(char* buffer, int capacity) override;
  bool GetModem(char* buffer, int capacity) override;
  bool GetDefaultPrinter(char* buffer, int capacity) override;
  virtual bool GetDevicesOfService(const char* serviceName, char* buffer, int capacity);  // slot 16
};
