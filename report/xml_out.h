// CXmlOut: the one place where text reaches the report file. Values arrive as ANSI text,
// are converted to UTF-16 and written as UTF-8 with CR LF line ends by our own encoder.
#pragma once

#include <cstdio>

#include "common/capacities.h"
#include "platform/win32.h"

class CXmlOut {
 public:
  CXmlOut();
  virtual ~CXmlOut();
  CXmlOut(const CXmlOut&) = delete;
  CXmlOut& operator=(const CXmlOut&) = delete;

  bool OpenFile(const char* path);
  bool WriteText(int level, const char* text);
  bool WriteElement(int level, const char* name, const char* value);
  void CloseFile();

  static void EscapeText(const char* text, char* output);  // output: kReportTextCapacity + 1
  static bool ToWide(const char* text, WCHAR* output, int capacity);

 protected:
  // UTF-16 to the file's UTF-8, LF to CR LF; nothing written when the file is not open.
  bool WriteWide(const WCHAR* text);

  FILE* File;

 private:
  bool WriteTabs(int level);
};
