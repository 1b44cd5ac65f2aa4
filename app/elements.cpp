#include "app/elements.h"

#include "platform/win32.h"

void WriteNumberElement(int level, const char* name, int number) {
  char text[kIntTextCapacity + 1];
  std::memset(text, 0, sizeof(text));
  wsprintfA(text, "%d", number);
  g_pOut->WriteElement(level, name, text);
}
