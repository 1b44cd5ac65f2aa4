// CPcFetcher: the computer's address, computer name and user name.
#pragma once

#include "common/capacities.h"

class CPcFetcher {
 public:
  CPcFetcher();
  virtual ~CPcFetcher();
  CPcFetcher(const CPcFetcher&) = delete;
  CPcFetcher& operator=(const CPcFetcher&) = delete;

  bool GetIp(char* output, int capacity);
  bool GetPcName(char* output, int capacity);
  bool GetUser(char* output, int capacity);

 private:
  char WorkBuffer[kIdentityTextCapacity + 1];
};
