#include <cstring>

#include "app/elements.h"
#include "app/globals.h"
#include "app/sections.h"
#include "platform/win32.h"
#include "report/sorvik_out.h"
#include "sysid/os_info.h"
#include "sysid/pc_fetcher.h"
#include "sysid/system_info.h"

namespace {

// Each element shows what its slot left, whether or not the slot found the value.
const SlotElement<CPcFetcher> kIdentityElements[] = {
    {"ip", &CPcFetcher::GetIp},
    {"computerName", &CPcFetcher::GetPcName},
    {"userName", &CPcFetcher::GetUser},
};

const SlotElement<COsInfo> kOsElements[] = {
    {"fullName", &COsInfo::GetOsFullName},
    {"productId", &COsInfo::GetProductId},
};

const SlotElement<COsInfo> kReleaseElements[] = {
    {"displayVersion", &COsInfo::GetDisplayVersion},
    {"updateRevision", &COsInfo::GetUpdateRevision},
    {"architecture", &COsInfo::GetArchitecture},
};

const SlotElement<CSystemInfo> kSystemElements[] = {
    {"manufacturer", &CSystemInfo::GetManufacturer},
    {"model", &CSystemInfo::GetModel},
    {"serialNumber", &CSystemInfo::GetSerialNumber},
    {"uuid", &CSystemInfo::GetUuid},
    {"boardSerialNumber", &CSystemInfo::GetBoardSerialNumber},
    {"chassisType", &CSystemInfo::GetChassisType},
    {"assetTag", &CSystemInfo::GetAssetTag},
    {"biosVendor", &CSystemInfo::GetBiosVendor},
    {"biosVersion", &CSystemInfo::GetBiosVersion},
    {"biosDate", &CSystemInfo::GetBiosDate},
};

void WriteVersionElement() {
  int major = 0;
  int minor = 0;
  int platformId = 0;
  DWORD build = 0;
  ElementValue servicePack;
  std::memset(servicePack, 0, sizeof(servicePack));
  g_pOsInfo->GetVersionData(&major, &minor, &platformId, &build, servicePack,
                            kElementValueCapacity);

  g_pOut->WriteText(2, "<getVersionEx>\n");
  WriteNumberElement(3, "majorVersion", major);
  WriteNumberElement(3, "minorVersion", minor);
  WriteNumberElement(3, "platformId", platformId);
  g_pOut->WriteElement(3, "csdVersion", servicePack);
  char buildText[kIntTextCapacity + 1];
  std::memset(buildText, 0, sizeof(buildText));
  wsprintfA(buildText, "%u", static_cast<unsigned>(build));
  g_pOut->WriteElement(3, "buildNumber", buildText);
  g_pOut->WriteText(2, "</getVersionEx>\n");
}

}  // namespace

bool WriteComputerSection() {
  g_pOut->WriteText(0, "<computer>\n");
  WriteSlotElements(1, g_pPcFetcher, kIdentityElements, kKeepText);
  g_pOut->WriteText(1, "<os>\n");
  WriteSlotElements(2, g_pOsInfo, kOsElements, kKeepText);
  WriteVersionElement();
  WriteSlotElements(2, g_pOsInfo, kReleaseElements, kEmptyText);
  g_pOut->WriteText(1, "</os>\n");
  g_pOut->WriteText(1, "<system>\n");
  WriteSlotElements(2, g_pSystemInfo, kSystemElements, kEmptyText);
  g_pOut->WriteText(1, "</system>\n");
  return g_pOut->WriteText(0, "</computer>\n");
}
