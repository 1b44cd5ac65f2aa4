#include <cstring>

#include "app/globals.h"
#include "app/sections.h"
#include "common/capacities.h"
#include "platform/win32.h"
#include "report/sorvik_out.h"
#include "sysid/os_info.h"
#include "sysid/pc_fetcher.h"

namespace {

void WriteNumber(int level, const char* name, int number) {
  char text[kIntTextCapacity + 1];
  std::memset(text, 0, sizeof(text));
  wsprintfA(text, "%d", number);
  g_pOut->WriteElement(level, name, text);
}

}  // namespace

bool WriteComputerSection() {
  char value[kElementValueCapacity + 1];

  g_pOut->WriteText(0, "<computer>\n");

  std::memset(value, 0, sizeof(value));
  g_pPcFetcher->GetIp(value, kElementValueCapacity);
  g_pOut->WriteElement(1, "ip", value);

  std::memset(value, 0, sizeof(value));
  g_pPcFetcher->GetPcName(value, kElementValueCapacity);
  g_pOut->WriteElement(1, "computerName", value);

  std::memset(value, 0, sizeof(value));
  g_pPcFetcher->GetUser(value, kElementValueCapacity);
  g_pOut->WriteElement(1, "userName", value);

  g_pOut->WriteText(1, "<os>\n");

  std::memset(value, 0, sizeof(value));
  g_pOsInfo->GetOsFullName(value, kElementValueCapacity);
  g_pOut->WriteElement(2, "fullName", value);

  std::memset(value, 0, sizeof(value));
  g_pOsInfo->GetProductId(value, kElementValueCapacity);
  g_pOut->WriteElement(2, "productId", value);

  int major = 0;
  int minor = 0;
  int platformId = 0;
  std::memset(value, 0, sizeof(value));
  g_pOsInfo->GetVersionData(&major, &minor, &platformId, value, kElementValueCapacity);

  g_pOut->WriteText(2, "<getVersionEx>\n");
  WriteNumber(3, "majorVersion", major);
  WriteNumber(3, "minorVersion", minor);
  WriteNumber(3, "platformId", platformId);
  g_pOut->WriteElement(3, "csdVersion", value);
  g_pOut->WriteText(2, "</getVersionEx>\n");
  g_pOut->WriteText(1, "</os>\n");
  return g_pOut->WriteText(0, "</computer>\n");
}
