// CHwFetcherXp: the 2003 fetcher with the monitor lookup by model key.
#pragma once

#include "hardware/hw_fetcher_2003.h"

class CHwFetcherXp : public CHwFetcher2003 {
 public:
  CHwFetcherXp();
  ~CHwFetcherXp() override;
  bool GetMonitor(char* buffer, int capacity) override;

 protected:
  // The instances of the first monitor model key under "DISPLAY", each entry reduced.
  bool WalkMonitorModel(EntryReducer reduce, char* buffer, int capacity);
};
