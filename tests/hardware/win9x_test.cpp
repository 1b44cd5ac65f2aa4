// The 9x walk over the configuration manager's device nodes and the 9x default printer.
#include <string>

#include "hardware/hw_fetcher_9598me.h"
#include "hardware_test_support.h"

namespace {

using hwtest::Answer;
using hwtest::Ask;

class Win9xTest : public ::testing::Test {
 protected:
  Win9xTest() {
    builder_.With([](sim::Facts& f) {
      f.platformId = VER_PLATFORM_WIN32_WINDOWS;
      f.majorVersion = 4;
      f.minorVersion = 10;
    });
  }
  // A device node naming its hardware key, and that key's values.
  void Node(const std::string& node, const std::string& hardwareKey, const hwtest::Values& values) {
    builder_.Key("Config Manager\\Enum\\" + node, HKEY_DYN_DATA).String("HardWareKey", hardwareKey);
    builder_.Key("Enum\\" + hardwareKey);
    for (const auto& value : values) builder_.String(value.first, value.second);
  }
  void Install() {
    machine_ = builder_.Build();
    installed_.reset(new sim::ScopedMachine(*machine_));
  }
  Answer Slot(hwtest::Slot slot) {
    Install();
    CHwFetcher9598Me fetcher;
    Answer answer = Ask(fetcher, slot);
    EXPECT_EQ(machine_->OpenHandleCount(), 0);
    return answer;
  }

  sim::MachineBuilder builder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

TEST_F(Win9xTest, ListsEveryNodeOfTheClassInEnumerationOrder) {
  Node("C1", "MONITOR\\A\\1", {{"Class", "Monitor"}, {"DeviceDesc", "First"}});
  Node("C2", "MONITOR\\B\\1", {{"Class", "MONITOR"}, {"DeviceDesc", "Second"}});
  Node("C3", "DISPLAY\\C\\1", {{"Class", "Display"}, {"DeviceDesc", "Adapter"}});
  Node("C4", "MONITOR\\D\\1", {{"Class", "Monitor"}, {"DeviceDesc", "Third"}});
  Node("C5", "MONITOR\\E\\1", {{"Class", "Monitor"}, {"DeviceDesc", "Fourth"}});
  Node("C6", "MONITOR\\F\\1", {{"Class", "Monitor"}, {"DeviceDesc", "Fifth, no limit of four"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetMonitor),
            (Answer{true, "First;Second;Third;Fourth;Fifth, no limit of four"}));
}

TEST_F(Win9xTest, SkipsNodesThatCannotBeFollowed) {
  builder_.Key("Config Manager\\Enum\\C0", HKEY_DYN_DATA).String("Other", "x");
  builder_.Key("Config Manager\\Enum\\C1", HKEY_DYN_DATA).String("HardWareKey", "MISSING\\1");
  Node("C2", "MOUSE\\A\\1", {{"Class", "Mouse"}, {"FriendlyName", "no description"}});
  Node("C3", "MOUSE\\B\\1", {{"DeviceDesc", "no class"}});
  Node("C4", "MOUSE\\C\\1", {{"Class", "mouse"}, {"DeviceDesc", "Serial Mouse"}});
  builder_.Key("Enum\\MOUSE\\D\\1").String("Class", "Mouse");
  builder_.Raw("DeviceDesc", REG_SZ, hwtest::TextOfBytes(513));
  builder_.Key("Config Manager\\Enum\\C5", HKEY_DYN_DATA).String("HardWareKey", "MOUSE\\D\\1");
  EXPECT_EQ(Slot(&CHwFetcher::GetMouse), (Answer{true, "Serial Mouse"}));
}

TEST_F(Win9xTest, NetworkDevicesNeedNoLocation) {
  Node("C1", "PCI\\NIC\\1", {{"Class", "Net"}, {"DeviceDesc", "NE2000 Compatible"}});
  Node("C2", "ROOT\\NET\\0000",
       {{"Class", "Net"}, {"DeviceDesc", "Dial-Up Adapter"}, {"LocationInformation", "x"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetNetwork), (Answer{true, "NE2000 Compatible;Dial-Up Adapter"}));
}

TEST_F(Win9xTest, NothingOfTheClassGivesNone) {
  Node("C1", "PCI\\NIC\\1", {{"Class", "Net"}, {"DeviceDesc", "NE2000 Compatible"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetUsb), (Answer{false, "None"}));
}

TEST_F(Win9xTest, WithoutDynamicDataGivesNone) {
  builder_.With([](sim::Facts& f) { f.platformId = VER_PLATFORM_WIN32_NT; });
  builder_.machine().registry.SetHasDynData(false);
  Node("C1", "MONITOR\\A\\1", {{"Class", "Monitor"}, {"DeviceDesc", "First"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetMonitor), (Answer{false, "None"}));
}

// An NT machine that shows the dynamic root: the handle opened for values can't enumerate,
// and the walk must end instead of asking for the next index forever.
TEST_F(Win9xTest, AHandleThatCannotEnumerateEndsTheWalk) {
  builder_.With([](sim::Facts& f) { f.platformId = VER_PLATFORM_WIN32_NT; });
  Node("C1", "MONITOR\\A\\1", {{"Class", "Monitor"}, {"DeviceDesc", "First"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetMonitor), (Answer{false, "None"}));
  EXPECT_EQ(machine_->calls["RegEnumKeyExA"], 1);
}

TEST_F(Win9xTest, DefaultPrinterThatFitsSixtyBytes) {
  builder_.With([](sim::Facts& f) {
    f.hasDefaultPrinter = true;
    f.defaultPrinter = {"HP DeskJet 690C", "LPT1:"};  // 20 + 16 + 6 bytes
  });
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter), (Answer{true, "HP DeskJet 690C"}));
  EXPECT_EQ(machine_->calls["EnumPrintersA"], 1);
  EXPECT_EQ(machine_->calls["DefaultPrinterByOrdinal"], 0);
}

TEST_F(Win9xTest, DefaultPrinterTooLargeForSixtyBytesGivesNone) {
  builder_.With([](sim::Facts& f) {
    f.hasDefaultPrinter = true;
    f.defaultPrinter = {"HP LaserJet 4050 Series PCL 6", "\\\\SERVER\\LJ4050"};  // 20 + 30 + 16
  });
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter), (Answer{false, "None"}));
  EXPECT_EQ(machine_->calls["EnumPrintersA"], 1);  // asked once, no second try
}

TEST_F(Win9xTest, NoDefaultPrinterGivesNone) {
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter), (Answer{false, "None"}));
}

}  // namespace
