// The .reg loader refuses what regedit would not import, naming the file and the line (and
// sorvik-replay prints it: replay.broken_profile).
#include "platform/sim/profile.h"

#include <string>

#include "gtest/gtest.h"
#include "platform/sim/machine.h"
#include "platform/sim/registry.h"

namespace {

TEST(RegImport, ABrokenLineIsNamedWithItsFileAndLine) {
  const struct {
    const char* body;  // after the header and a key
    int line;
    const char* says;
  } rows[] = {
      {"[HKEY_CLASSES_ROOT\\x]\n", 3, "unknown root key 'HKEY_CLASSES_ROOT'"},
      {"\n[HKLM\\a\\\\b]\n", 4, "empty key name"},
      {"\"a\"=\"one\n\ntwo\n", 3, "closing quote"},  // a text over lines starts on its first
      {"\"a\"=\"b\\n\"\n", 3, "unknown escape"},
      {"\"a\"=dword:123456789\n", 3, "1 to 8 hex digits"},
      {"\"a\"=hex:01,\\\n  02,\\\n  100\n", 5, "'100' is not a hex byte"},
      {"\"a\"=hex:01,\\", 3, "past the end of the file"},
      {"[-HKLM\\K]\n\"a\"=\"b\"\n", 4, "deleted [-key]"},
  };
  for (const auto& row : rows) {
    sim::Registry registry;
    std::string error;
    EXPECT_FALSE(sim::ImportRegText(std::string("REGEDIT4\n[HKLM\\K]\n") + row.body, "d/x.reg",
                                    1252, &registry, &error));
    EXPECT_EQ(0u, error.find("d/x.reg:" + std::to_string(row.line) + ": ")) << error;
    EXPECT_NE(std::string::npos, error.find(row.says)) << error;
  }
  sim::Registry registry;
  std::string error;
  EXPECT_FALSE(sim::ImportRegText("\"a\"=\"b\"\n", "h.reg", 1252, &registry, &error));
  EXPECT_EQ("h.reg:1: expected the header REGEDIT4 or Windows Registry Editor Version 5.00", error);
}

// The SMBIOS description: raw lines add up, a size change may be negative, and a value that
// can't be a table's is refused with its line.
TEST(MachineIni, SmbiosValuesAreCheckedAndRawLinesAddUp) {
  sim::Machine machine;
  std::string error;
  ASSERT_TRUE(
      sim::ParseMachineIni("[smbios]\nversion = 2.5\nraw = 00 02,05\nraw = ff\n"
                           "sizeChange = -8\n",
                           "m.ini", ".", &machine, &error))
      << error;
  EXPECT_TRUE(machine.facts.smbios.present);
  EXPECT_EQ(machine.facts.smbios.minorVersion, 5);
  EXPECT_EQ(machine.facts.smbios.raw, std::string("\x00\x02\x05\xff", 4));
  EXPECT_EQ(machine.facts.smbios.sizeChange, -8);

  const struct {
    const char* line;
    const char* says;
  } rows[] = {
      {"uuid = 4C4C4544-0042-3510-8052-B4C04F4D373", "is not a UUID"},
      {"uuid = 4C4C4544-0042-3510-8052_B4C04F4D3732", "is not a UUID"},
      {"raw = 0G", "is not hexadecimal"},
      {"raw = 012", "half a byte"},
      {"version = 2", "is not a version"},
      {"chassisType = 256", "too large"},
  };
  for (const auto& row : rows) {
    sim::Machine bad;
    EXPECT_FALSE(
        sim::ParseMachineIni(std::string("[smbios]\n") + row.line, "m.ini", ".", &bad, &error));
    EXPECT_NE(std::string::npos, error.find("m.ini:2: ")) << error;
    EXPECT_NE(std::string::npos, error.find(row.says)) << error;
  }
}

}  // namespace

// The listing that test tools read instead of the files: every value as hex(N):, names escaped,
// keys in enumeration order, what a file deleted gone.
TEST(RegListing, HoldsWhatTheFilesLeft) {
  sim::Registry registry;
  std::string error;
  ASSERT_TRUE(sim::ImportRegText(
      "REGEDIT4\r\n[HKLM\\b]\r\n@=\"x\"\r\n\"q\\\"\\\\\"=dword:0102\r\n[HKLM\\A\\gone]\r\n"
      "[-HKLM\\a\\GONE]\r\n[HKCU\\c]\r\n\"h\"=hex(7):61,00,\\\r\n  00\r\n",
      "l.reg", 1252, &registry, &error))
      << error;
  EXPECT_EQ(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\b]\r\n@=hex(1):78,00\r\n\"q\\\"\\\\\"=hex(4):02,01,00,00\r\n\r\n"
      "[HKEY_CURRENT_USER]\r\n\r\n[HKEY_CURRENT_USER\\c]\r\n\"h\"=hex(7):61,00,00\r\n\r\n[HKEY_DYN_"
      "DATA]\r\n",
      sim::ListRegistry(registry));
}
