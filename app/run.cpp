#include "app/run.h"

#include <cstring>
#include <new>

#include "app/globals.h"
#include "app/sections.h"
#include "common/text.h"
#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_2003.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "platform/win32.h"
#include "report/sorvik_out.h"
#include "software/sw_fetcher.h"
#include "software/sw_fetcher_vista.h"
#include "software/sw_info.h"
#include "sysid/os_info.h"
#include "sysid/pc_fetcher.h"
#include "sysid/system_info.h"

CSorvikOut* g_pOut = nullptr;
CPcFetcher* g_pPcFetcher = nullptr;
SWInfo* g_pSwInfo = nullptr;
COsInfo* g_pOsInfo = nullptr;
CSwFetcher* g_pSwFetcher = nullptr;
CHwFetcher* g_pHwFetcher = nullptr;
CSystemInfo* g_pSystemInfo = nullptr;

const char kManualAddress[] = "http://sorvik.example.org/sorvik/manual/";

namespace {

const char kOutSwitch[] = "/out:";
const char kQuotedOutSwitch[] = "/out:\"";
const int kShortestOutArgument = 10;

}  // namespace

int SorvikMain(const char* commandLine) {
  if (commandLine == nullptr) commandLine = "";
  if (HasSwitch(commandLine, "/h")) {
    OpenManual();
    return 0;
  }

  OutPath outPath;
  std::memset(outPath, 0, sizeof outPath);
  if (HasSwitch(commandLine, kOutSwitch)) ExtractOutPath(commandLine, outPath);

  bool device = false;
  bool software = false;
  SelectSections(commandLine, &device, &software);

  if (CreateObjects()) RunReport(outPath, device, software);
  DestroyObjects();
  return 0;
}

// Switches are plain substrings: no tokenising, so they are found inside other words too.
bool HasSwitch(const char* commandLine, const char* switchText) {
  return std::strstr(commandLine, switchText) != nullptr;
}

void ExtractOutPath(const char* commandLine, OutPath& outPath) {
  if (std::strlen(commandLine) < static_cast<size_t>(kShortestOutArgument)) return;
  const char* start = std::strstr(commandLine, kQuotedOutSwitch);
  if (start == nullptr) return;

  OutPath scratch;
  std::memset(scratch, 0, sizeof scratch);
  BoundedCopy(scratch, start + std::strlen(kQuotedOutSwitch));
  // Without a closing quote within reach the path is ignored whole, never cut.
  char* end = std::strchr(scratch, '"');
  if (end == nullptr) return;
  *end = '\0';
  BoundedCopy(outPath, scratch);
}

void SelectSections(const char* commandLine, bool* device, bool* software) {
  *device = HasSwitch(commandLine, "/device");
  *software = HasSwitch(commandLine, "/software");
  if (!*device && !*software) {
    *device = true;
    *software = true;
  }
}

void OpenManual() {
  ShellExecuteA(nullptr, "open", kManualAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

bool CreateObjects() {
  g_pOut = nullptr;
  g_pPcFetcher = nullptr;
  g_pSwInfo = nullptr;
  g_pOsInfo = nullptr;
  g_pSwFetcher = nullptr;
  g_pHwFetcher = nullptr;
  g_pSystemInfo = nullptr;

  g_pOut = new (std::nothrow) CSorvikOut;
  g_pPcFetcher = new (std::nothrow) CPcFetcher;
  g_pSwInfo = new (std::nothrow) SWInfo;
  g_pOsInfo = new (std::nothrow) COsInfo;
  g_pSystemInfo = new (std::nothrow) CSystemInfo;
  if (g_pOsInfo == nullptr) return false;

  int generation = g_pOsInfo->GetOsGeneration();
  if (generation == kOsVistaAndLater) {
    g_pSwFetcher = new (std::nothrow) CSwFetcherVista;
  } else {
    g_pSwFetcher = new (std::nothrow) CSwFetcher;
  }
  // The 9x and NT 4 generations get the XP fetcher as well.
  switch (generation) {
    case kOsWin2000:
      g_pHwFetcher = new (std::nothrow) CHwFetcher2000;
      break;
    case kOsServer2003:
      g_pHwFetcher = new (std::nothrow) CHwFetcher2003;
      break;
    case kOsVistaAndLater:
      g_pHwFetcher = new (std::nothrow) CHwFetcherVista;
      break;
    case kOsWinXp:
    default:
      g_pHwFetcher = new (std::nothrow) CHwFetcherXp;
      break;
  }

  return g_pOut != nullptr && g_pPcFetcher != nullptr && g_pSwInfo != nullptr &&
         g_pOsInfo != nullptr && g_pSwFetcher != nullptr && g_pHwFetcher != nullptr &&
         g_pSystemInfo != nullptr;
}

void RunReport(OutPath& outPath, bool device, bool software) {
  if (g_pOut == nullptr) return;
  if (!g_pOut->OpenReport(g_pPcFetcher, outPath)) return;
  WriteComputerSection();
  if (device) WriteDeviceSection();
  if (software) {
    WriteSoftwareSection();
    WriteStatisticsSection();
  }
  g_pOut->CloseReport();
}

void DestroyObjects() {
  delete g_pOut;
  g_pOut = nullptr;
  delete g_pOsInfo;
  g_pOsInfo = nullptr;
  delete g_pSwFetcher;
  g_pSwFetcher = nullptr;
  delete g_pPcFetcher;
  g_pPcFetcher = nullptr;
  delete g_pSwInfo;
  g_pSwInfo = nullptr;
  delete g_pHwFetcher;
  g_pHwFetcher = nullptr;
  delete g_pSystemInfo;
  g_pSystemInfo = nullptr;
}
