// CHwFetcher2003: Windows Server 2003; the 2000 fetcher under its own name.
#pragma once

#include "hardware/hw_fetcher_2000.h"

class CHwFetcher2003 : public CHwFetcher2000 {
 public:
  CHwFetcher2003();
  ~CHwFetcher2003() override;
};
