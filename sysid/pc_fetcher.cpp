#include "sysid/pc_fetcher.h"

#include <cstring>

#include "common/capacities.h"
#include "common/text.h"
#include "platform/win32.h"

namespace {

// GetComputerNameA and GetUserNameA: a name into an area whose size goes in and whose length
// comes back.
typedef BOOL(WINAPI* NameQuery)(LPSTR name, LPDWORD size);

bool AskName(NameQuery query, char (&work)[kIdentityTextCapacity + 1], char* output, int capacity) {
  std::memset(work, 0, sizeof(work));
  DWORD size = sizeof(work) - 1;
  if (!query(work, &size)) return false;
  BoundedCopy(output, work, capacity);
  return true;
}

}  // namespace

// A failed start is not looked at: GetIp then fails on its own, and the names work without it.
CPcFetcher::CPcFetcher() : WorkBuffer() {
  WSADATA data;
  std::memset(&data, 0, sizeof(data));
  WSAStartup(MAKEWORD(2, 0), &data);
}

CPcFetcher::~CPcFetcher() { WSACleanup(); }

bool CPcFetcher::GetIp(char* output, int capacity) {
  std::memset(WorkBuffer, 0, sizeof(WorkBuffer));

  char hostName[kHostNameCapacity + 1];
  std::memset(hostName, 0, sizeof(hostName));
  if (gethostname(hostName, kHostNameCapacity) != 0) return false;

  hostent* host = gethostbyname(hostName);
  if (host == nullptr) return false;
  // An entry without any address is as good as none.
  if (host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) return false;

  in_addr address;
  std::memset(&address, 0, sizeof(address));
  std::memcpy(&address, host->h_addr_list[0], sizeof(address));
  const char* dotted = inet_ntoa(address);
  if (dotted == nullptr) return false;
  wsprintfA(WorkBuffer, "%s", dotted);

  BoundedCopy(output, WorkBuffer, capacity);
  return true;
}

bool CPcFetcher::GetPcName(char* output, int capacity) {
  return AskName(GetComputerNameA, WorkBuffer, output, capacity);
}

bool CPcFetcher::GetUser(char* output, int capacity) {
  return AskName(GetUserNameA, WorkBuffer, output, capacity);
}
