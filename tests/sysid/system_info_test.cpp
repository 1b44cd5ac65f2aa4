// CSystemInfo over simulated machines: where the identity comes from, and when it does not.
#include "sysid/system_info.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/builder.h"

namespace {

const char kSystemKey[] = "HARDWARE\\DESCRIPTION\\System";

std::string Ask(CSystemInfo& info, bool (CSystemInfo::*slot)(char*, int)) {
  char text[2048 + 1] = "";
  (info.*slot)(text, 2048);
  return text;
}

// The firmware table when Windows has the function and it answers the same size twice; the
// BIOS values of the registry only on NT without the function.
TEST(SystemInfo, TakesTheTableOrTheNtRegistryOrNothing) {
  const struct {
    const char* what;
    bool hasFunction, hasTable;
    int sizeChange;
    DWORD platform;
    const char *model, *biosVersion, *biosDate;
  } rows[] = {
      {"table", true, true, 0, VER_PLATFORM_WIN32_NT, "OptiPlex 7010", "A29", "06/28/2018"},
      {"grown between the calls", true, true, 16, VER_PLATFORM_WIN32_NT, "", "", ""},
      {"shrunk between the calls", true, true, -16, VER_PLATFORM_WIN32_NT, "", "", ""},
      {"no table", true, false, 0, VER_PLATFORM_WIN32_NT, "", "", ""},
      {"NT without the function", false, true, 0, VER_PLATFORM_WIN32_NT, "", "BIOS 1.10 A05",
       "09/14/04"},
      {"9x", false, true, 0, VER_PLATFORM_WIN32_WINDOWS, "", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    auto machine = sim::MachineBuilder()
                       .Key(kSystemKey)
                       .Raw("SystemBiosVersion", REG_MULTI_SZ,
                            sim::Bytes{' ', 'B', 'I', 'O', 'S', ' ', '1', '.', '1', '0', ' ',
                                       'A', '0', '5', ' ', 0,   'O', 'E', 'M', 0,   0})
                       .String("SystemBiosDate", "09/14/04")
                       .Build();
    sim::Facts& facts = machine->facts;
    facts.platformId = row.platform;
    facts.hasGetSystemFirmwareTable = row.hasFunction;
    facts.smbios.present = row.hasTable;
    facts.smbios.model = "OptiPlex 7010";
    facts.smbios.biosVersion = "A29";
    facts.smbios.biosDate = "06/28/2018";
    facts.smbios.sizeChange = row.sizeChange;
    sim::ScopedMachine installed(*machine);

    CSystemInfo info;
    EXPECT_EQ(Ask(info, &CSystemInfo::GetModel), row.model);
    EXPECT_EQ(Ask(info, &CSystemInfo::GetBiosVersion), row.biosVersion);
    EXPECT_EQ(Ask(info, &CSystemInfo::GetBiosDate), row.biosDate);
    EXPECT_EQ(Ask(info, &CSystemInfo::GetSerialNumber), "");
    EXPECT_EQ(machine->OpenHandleCount(), 0);
    // The table is read once a run, whatever is asked.
    EXPECT_LE(machine->calls["GetSystemFirmwareTable"], 2);
  }
}

}  // namespace
