// The 9x walk over the configuration manager's device nodes and the 9x default printer.
#include <string>

#include "hardware/hw_fetcher_9598me.h"
#include "hardware_test_support.h"

namespace {

using hwtest::Ask;

class Win9xTest : public hwtest::HwTest {
 protected:
  Win9xTest() {
    builder_.With([](sim::Facts& f) { f.platformId = VER_PLATFORM_WIN32_WINDOWS; });
  }
  // A device node naming its hardware key, and that key's values.
  sim::MachineBuilder& Node(const std::string& node, const std::string& hardwareKey,
                            const hwtest::Values& values) {
    builder_.Key("Config Manager\\Enum\\" + node, HKEY_DYN_DATA).String("HardWareKey", hardwareKey);
    return Key("Enum\\" + hardwareKey, values);
  }
  std::string Slot(hwtest::Slot slot) {
    Install();
    CHwFetcher9598Me fetcher;
    return Ask(fetcher, slot);
  }
};

// Every node of the class, with no limit of four and no location rule for networks; nodes
// that can't be followed are skipped.
TEST_F(Win9xTest, ListsEveryNodeOfTheClassInEnumerationOrder) {
  builder_.Key("Config Manager\\Enum\\C0", HKEY_DYN_DATA).String("Other", "x");
  builder_.Key("Config Manager\\Enum\\C1", HKEY_DYN_DATA).String("HardWareKey", "MISSING\\1");
  Node("C2", "NET\\A", {{"Class", "Net"}, {"FriendlyName", "no description"}});
  Node("C3", "NET\\B", {{"DeviceDesc", "no class"}});
  Node("C4", "NET\\C", {{"Class", "NET"}, {"DeviceDesc", "First"}});
  Node("C5", "DISPLAY\\C", {{"Class", "Display"}, {"DeviceDesc", "Adapter"}});
  Node("C6", "NET\\D", {{"Class", "Net"}}).Raw("DeviceDesc", REG_SZ, hwtest::TextOfBytes(513));
  for (const char* node : {"C7", "C8", "C9", "CA"})
    Node(node, std::string("NET\\") + node, {{"Class", "net"}, {"DeviceDesc", node}});
  EXPECT_EQ(Slot(&CHwFetcher::GetNetwork), "First;C7;C8;C9;CA");
  EXPECT_EQ(Slot(&CHwFetcher::GetUsb), "!None");
}

// An NT machine that shows the dynamic root: the handle opened for values can't enumerate,
// and the walk must end instead of asking for the next index forever.
TEST_F(Win9xTest, WithoutAnEnumerableDynamicRootGivesNone) {
  builder_.With([](sim::Facts& f) { f.platformId = VER_PLATFORM_WIN32_NT; });
  Node("C1", "MONITOR\\A\\1", {{"Class", "Monitor"}, {"DeviceDesc", "First"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetMonitor), "!None");
  EXPECT_EQ(machine().calls["RegEnumKeyExA"], 1);
  machine().registry.SetHasDynData(false);
  EXPECT_EQ(Slot(&CHwFetcher::GetMonitor), "!None");
}

// The printer record is asked for once, into 60 bytes.
TEST_F(Win9xTest, DefaultPrinterThatFitsSixtyBytes) {
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter), "!None");
  machine().facts.hasDefaultPrinter = true;
  machine().facts.defaultPrinter = {"HP DeskJet 690C", "LPT1:"};  // 20 + 16 + 6 bytes
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter), "HP DeskJet 690C");
  machine().facts.defaultPrinter = {"HP LaserJet 4050 Series PCL 6", "\\\\SERVER\\LJ4050"};
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter), "!None");
  EXPECT_EQ(machine().calls["EnumPrintersA"], 3);
  EXPECT_EQ(machine().calls["DefaultPrinterByOrdinal"], 0);
}

}  // namespace
