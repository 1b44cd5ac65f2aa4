// CHwFetcher: the base of the hardware fetcher chain. The order of the virtual operations
// below is the slot order of the operation table; derived classes override, never reorder.
#pragma once

#include "common/capacities.h"
#include "platform/win32.h"

class EntryList;

class CHwFetcher {
 public:
  CHwFetcher();
  virtual ~CHwFetcher();                                                              // slot 0
  virtual bool GetCpu(char* buffer, int capacity);                                    // slot 1
  virtual bool GetRam(char* buffer, int capacity);                                    // slot 2
  virtual bool GetDrives(char* buffer, int capacity);                                 // slot 3
  virtual bool GetDevicesOfClass(const char* className, char* buffer, int capacity);  // slot 4
  virtual bool GetMonitor(char* buffer, int capacity);                                // slot 5
  virtual bool GetMouse(char* buffer, int capacity);                                  // slot 6
  virtual bool GetKeyboard(char* buffer, int capacity);                               // slot 7
  virtual bool GetCdrom(char* buffer, int capacity);                                  // slot 8
  virtual bool GetMedia(char* buffer, int capacity);                                  // slot 9
  virtual bool GetModem(char* buffer, int capacity);                                  // slot 10
  virtual bool GetVideo(char* buffer, int capacity);                                  // slot 11
  virtual bool GetDefaultPrinter(char* buffer, int capacity);                         // slot 12
  virtual bool GetScsi(char* buffer, int capacity);                                   // slot 13
  virtual bool GetNetwork(char* buffer, int capacity);                                // slot 14
  virtual bool GetUsb(char* buffer, int capacity);                                    // slot 15

  // Shrinks every run of blanks in the first `count` characters of `text` (an area of at
  // least `count` characters; count at most kDeviceListCapacity) to one blank, in place.
  void CollapseSpaces(char* text, int count);
  ULONGLONG GetFreeBytes(const char* rootPath);
  ULONGLONG GetTotalBytes(const char* rootPath);

  CHwFetcher(const CHwFetcher&) = delete;
  CHwFetcher& operator=(const CHwFetcher&) = delete;

 protected:
  // The device list answer: the entries joined in WorkText and true when there is at least
  // one, else "None" and false.
  bool AnswerList(const EntryList& list, char* buffer, int capacity);
  static bool AnswerNone(char* buffer, int capacity);

  char WorkText[kDeviceListCapacity + 1];

 private:
  // The free bytes (wantTotal false) or total bytes of one drive; 0 when neither call works.
  ULONGLONG MeasureDrive(const char* rootPath, bool wantTotal);
  void DescribeFromSystemInfo();
};
