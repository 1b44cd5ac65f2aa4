// Windows Sockets, the computer and user names, the print spooler and the shell.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sim/internal.h"
#include "platform/win32.h"

using sim::Machine;

namespace {

enum { kAfInet = 2 };
enum : DWORD { kPrinterAttributeDefault = 0x4, kPrinterAttributeLocal = 0x40 };
// The level-5 record as the 32-bit spooler lays it out: two pointers and three numbers.
const DWORD kPrinterInfo5Size32 = 20;

// Copies `text` with its terminator when the caller's size (in characters, terminator
// included) allows; otherwise reports the size needed. The rules of GetComputerNameA,
// GetUserNameA and GetDefaultPrinterA, which differ only in what they report.
bool CopyName(const std::string& text, LPSTR buffer, LPDWORD size) {
  DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return false;
  }
  std::memcpy(buffer, text.c_str(), needed);
  return true;
}

// The resolver's addresses for a name (any case); a dotted address resolves to itself.
const std::vector<std::string>* Lookup(const sim::Facts& facts, const std::string& name,
                                       std::string* canonical) {
  for (const auto& entry : facts.resolver) {
    if (sim::EqualNoCase(entry.first, name)) {
      *canonical = entry.first;
      return &entry.second;
    }
  }
  return nullptr;
}

hostent* FillHost(Machine& machine, const std::string& name,
                  const std::vector<std::string>& addresses) {
  sim::SimState& state = machine.state;
  state.hostName = name;
  state.hostAddresses.clear();
  for (const std::string& text : addresses) {
    uint8_t bytes[4];
    if (!sim::ParseIpv4(text, bytes)) continue;
    std::array<char, 8> stored{};  // padded, for callers that read a u_long
    std::memcpy(stored.data(), bytes, 4);
    state.hostAddresses.push_back(stored);
  }
  if (state.hostAddresses.empty()) return sim::Fail(machine, sim::kWsaHostNotFound, nullptr);
  state.hostAddressList.clear();
  for (auto& stored : state.hostAddresses) state.hostAddressList.push_back(stored.data());
  state.hostAddressList.push_back(nullptr);
  state.hostAliases[0] = nullptr;
  state.host.h_name = &state.hostName[0];
  state.host.h_aliases = state.hostAliases;
  state.host.h_addrtype = kAfInet;
  state.host.h_length = 4;
  state.host.h_addr_list = state.hostAddressList.data();
  return &state.host;
}

}  // namespace

namespace sim {

bool ParseIpv4(const std::string& text, uint8_t bytes[4]) {
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && (at >= text.size() || text[at++] != '.')) return false;
    size_t digits = 0;
    unsigned number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
      number = number * 10 + static_cast<unsigned>(text[at++] - '0');
      ++digits;
    }
    if (digits == 0 || number > 255) return false;
    bytes[part] = static_cast<uint8_t>(number);
  }
  return at == text.size();
}

}  // namespace sim

int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  Machine& machine = sim::Enter("WSAStartup");
  if (!machine.facts.socketsStart) return sim::kWsaSysNotReady;
  if (lpWSAData == nullptr) return sim::kWsaFault;
  std::memset(lpWSAData, 0, sizeof(*lpWSAData));
  lpWSAData->wVersion = (wVersionRequested & 0xFF) > 2 ? MAKEWORD(2, 2) : wVersionRequested;
  lpWSAData->wHighVersion = MAKEWORD(2, 2);
  std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
  std::strcpy(lpWSAData->szSystemStatus, "Running");
  ++machine.socketStarts;
  return 0;
}

int WINAPI WSACleanup(void) {
  Machine& machine = sim::Enter("WSACleanup");
  if (machine.socketStarts == 0) return sim::Fail(machine, sim::kWsaNotInitialised, SOCKET_ERROR);
  --machine.socketStarts;
  return 0;
}

int WINAPI gethostname(char* name, int namelen) {
  Machine& machine = sim::Enter("gethostname");
  if (machine.socketStarts == 0) return sim::Fail(machine, sim::kWsaNotInitialised, SOCKET_ERROR);
  const std::string& host = machine.facts.hostName;
  if (name == nullptr || namelen < 0 || static_cast<size_t>(namelen) < host.size() + 1)
    return sim::Fail(machine, sim::kWsaFault, SOCKET_ERROR);
  std::memcpy(name, host.c_str(), host.size() + 1);
  return 0;
}

hostent* WINAPI gethostbyname(const char* name) {
  Machine& machine = sim::Enter("gethostbyname");
  if (machine.socketStarts == 0) return sim::Fail(machine, sim::kWsaNotInitialised, nullptr);
  if (name == nullptr) return sim::Fail(machine, sim::kWsaFault, nullptr);
  uint8_t bytes[4];
  if (sim::ParseIpv4(name, bytes)) return FillHost(machine, name, {name});
  std::string canonical;
  const std::vector<std::string>* addresses = Lookup(machine.facts, name, &canonical);
  if (addresses == nullptr) return sim::Fail(machine, sim::kWsaHostNotFound, nullptr);
  return FillHost(machine, canonical, *addresses);
}

char* WINAPI inet_ntoa(in_addr in) {
  Machine& machine = sim::Enter("inet_ntoa");
  char* text = machine.state.dottedAddress;
  std::snprintf(text, sizeof(machine.state.dottedAddress), "%u.%u.%u.%u", in.S_un.S_un_b.s_b1,
                in.S_un.S_un_b.s_b2, in.S_un.S_un_b.s_b3, in.S_un.S_un_b.s_b4);
  return text;
}

BOOL WINAPI GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize) {
  Machine& machine = sim::Enter("GetComputerNameA");
  if (nSize == nullptr) return sim::Fail(machine, sim::kErrorInvalidParameter, FALSE);
  if (!machine.facts.computerNameWorks)
    return sim::Fail(machine, sim::kErrorInvalidFunction, FALSE);
  if (!CopyName(machine.facts.computerName, lpBuffer, nSize))
    return sim::Fail(machine, sim::kErrorBufferOverflow, FALSE);
  *nSize = static_cast<DWORD>(machine.facts.computerName.size());  // without the terminator
  return TRUE;
}

BOOL WINAPI GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer) {
  Machine& machine = sim::Enter("GetUserNameA");
  if (pcbBuffer == nullptr) return sim::Fail(machine, sim::kErrorInvalidParameter, FALSE);
  if (!machine.facts.userNameWorks) return sim::Fail(machine, sim::kErrorInvalidFunction, FALSE);
  if (!CopyName(machine.facts.userName, lpBuffer, pcbBuffer))
    return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, FALSE);
  return TRUE;  // the size reported includes the terminator
}

BOOL WINAPI DefaultPrinterByOrdinal(LPSTR pszBuffer, LPDWORD pcchBuffer) {
  Machine& machine = sim::Enter("DefaultPrinterByOrdinal");
  if (pcchBuffer == nullptr) return sim::Fail(machine, sim::kErrorInvalidParameter, FALSE);
  if (!machine.facts.hasDefaultPrinter) return sim::Fail(machine, ERROR_FILE_NOT_FOUND, FALSE);
  if (!CopyName(machine.facts.defaultPrinter.name, pszBuffer, pcchBuffer))
    return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, FALSE);
  return TRUE;  // the length reported includes the terminator
}

// Level 5 of the default printer. The size needed is the 32-bit one (record and both texts);
// the texts live in the machine's storage, since our host record is larger than 20 bytes and
// a 32-bit caller's area would not hold it with the texts behind it.
BOOL WINAPI EnumPrintersA(DWORD Flags, LPSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                          LPDWORD pcbNeeded, LPDWORD pcReturned) {
  (void)Name;
  Machine& machine = sim::Enter("EnumPrintersA");
  if (pcbNeeded == nullptr || pcReturned == nullptr)
    return sim::Fail(machine, sim::kErrorInvalidParameter, FALSE);
  if (Level != 5) return sim::Fail(machine, sim::kErrorInvalidLevel, FALSE);
  *pcbNeeded = 0;
  *pcReturned = 0;
  const sim::Facts& facts = machine.facts;
  if (!(Flags & (PRINTER_ENUM_DEFAULT | PRINTER_ENUM_LOCAL)) || !facts.hasDefaultPrinter)
    return TRUE;
  DWORD needed = kPrinterInfo5Size32 + static_cast<DWORD>(facts.defaultPrinter.name.size() + 1 +
                                                          facts.defaultPrinter.port.size() + 1);
  if (needed < sizeof(PRINTER_INFO_5A)) needed = sizeof(PRINTER_INFO_5A);  // the host record
  if (pPrinterEnum == nullptr || cbBuf < needed) {
    *pcbNeeded = needed;
    return sim::Fail(machine, ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  machine.state.printerName = facts.defaultPrinter.name;
  machine.state.printerPort = facts.defaultPrinter.port;
  PRINTER_INFO_5A record;
  record.pPrinterName = &machine.state.printerName[0];
  record.pPortName = &machine.state.printerPort[0];
  record.Attributes = kPrinterAttributeDefault | kPrinterAttributeLocal;
  record.DeviceNotSelectedTimeout = 15000;
  record.TransmissionRetryTimeout = 45000;
  std::memcpy(pPrinterEnum, &record, sizeof(record));
  *pcbNeeded = needed;
  *pcReturned = 1;
  return TRUE;
}

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd) {
  (void)hwnd;
  Machine& machine = sim::Enter("ShellExecuteA");
  auto text = [](LPCSTR s) { return std::string(s != nullptr ? s : ""); };
  sim::ShellCall call;
  call.operation = text(lpOperation);
  call.file = text(lpFile);
  call.parameters = text(lpParameters);
  call.directory = text(lpDirectory);
  call.showCommand = nShowCmd;
  machine.shellCalls.push_back(call);
  return reinterpret_cast<HINSTANCE>(42);  // above 32: success
}
