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
  virtual bool GetDevicesOfService(const char* serviceName, char* buffer, int capacity);  // 16

 protected:
  // Turns a text read for an entry into the entry (into `output`, kDescriptionCapacity plus
  // terminator); false keeps the text whole. The NT 6 fetcher passes its own; the others pass none.
  typedef bool (*EntryReducer)(const char* text, char* output, int outCapacity);

  // The class walk over every subkey of every driver service.
  bool WalkClass(const char* className, EntryReducer reduce, char* buffer, int capacity);
  // The walk over one service's device instances, passing over the paths that contain
  // `skipMarker` (a case-sensitive substring).
  bool WalkService(const char* serviceName, const char* skipMarker, EntryReducer reduce,
                   char* buffer, int capacity);
  void AddReduced(EntryList& entries, const char* text, EntryReducer reduce);
};
