// MultiByteToWideChar over the machine's ANSI code page, and wsprintfA.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sim/codepage.h"
#include "platform/sim/internal.h"
#include "platform/win32.h"

using sim::Machine;

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  (void)dwFlags;  // the program converts without flags
  Machine& machine = sim::Enter("MultiByteToWideChar");
  UINT codePage = CodePage;
  if (codePage == CP_ACP || codePage == CP_THREAD_ACP) codePage = machine.facts.ansiCodePage;
  if (!sim::IsModelledCodePage(codePage) || lpMultiByteStr == nullptr || cbMultiByte == 0 ||
      cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr))
    return sim::Fail(machine, sim::kErrorInvalidParameter, 0);
  // -1: the text with its terminator.
  size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
  const std::u16string units = sim::AnsiTextToWide(codePage, std::string(lpMultiByteStr, length));
  int count = static_cast<int>(units.size());
  if (cchWideChar == 0) return count;
  // Like Windows, fill what fits before reporting that the rest did not.
  int written = count < cchWideChar ? count : cchWideChar;
  for (int i = 0; i < written; ++i) lpWideCharStr[i] = units[static_cast<size_t>(i)];
  if (written < count) return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, 0);
  return count;
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
  sim::Enter("wsprintfA");
  enum { kArea = 1024 };  // bytes Windows fills at most, terminator included
  va_list arguments;
  va_start(arguments, lpFmt);
  int length = std::vsnprintf(lpOut, kArea, lpFmt, arguments);
  va_end(arguments);
  if (length < 0) {
    lpOut[0] = '\0';
    return 0;
  }
  // A cut result returns the area's size; so does one that just fills it (1023 characters),
  // as Wine's wsprintfA cannot tell the two apart.
  return length < kArea - 1 ? length : kArea;
}
