// The NT 6 walks: entries reduced to their display text, root-enumerated instances passed
// over, CD-ROM drives by class.
#include <string>

#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware_test_support.h"

namespace {

using hwtest::AddDevice;
using hwtest::AddServiceSubkey;
using hwtest::Answer;
using hwtest::Ask;
using hwtest::AskClass;

class VistaTest : public ::testing::Test {
 protected:
  void Install() {
    machine_ = builder_.Build();
    installed_.reset(new sim::ScopedMachine(*machine_));
  }
  sim::MachineBuilder builder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

TEST_F(VistaTest, ClassWalkReducesEveryEntry) {
  AddServiceSubkey(builder_, "HDAudBus", "Enum",
                   {{"0", "X\\1"}, {"1", "X\\2"}, {"2", "X\\3"}, {"3", "X\\4"}});
  AddDevice(builder_, "X\\1", {{"Class", "MEDIA"}, {"FriendlyName", "@hdaudio.inf;HD Audio"}});
  AddDevice(builder_, "X\\2", {{"Class", "media"}, {"DeviceDesc", "first;second;third"}});
  AddDevice(builder_, "X\\3", {{"Class", "Media"}, {"DeviceDesc", "Plain"}});
  AddDevice(builder_, "X\\4", {{"Class", "Media"}, {"DeviceDesc", "trailing;"}});
  Install();
  CHwFetcherVista vista;
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetMedia), (Answer{true, "HD Audio;second;third;Plain;"}));
  CHwFetcher2000 win2000;
  EXPECT_EQ(Ask(win2000, &CHwFetcher::GetMedia),
            (Answer{true, "@hdaudio.inf;HD Audio;first;second;third;Plain;trailing;"}));
  EXPECT_EQ(machine_->OpenHandleCount(), 0);
}

TEST_F(VistaTest, AnEmptyReducedEntryAloneStillCounts) {
  AddServiceSubkey(builder_, "a", "Enum", {{"0", "X\\1"}});
  AddDevice(builder_, "X\\1", {{"Class", "USB"}, {"DeviceDesc", "usb.inf;"}});
  Install();
  CHwFetcherVista vista;
  EXPECT_EQ(AskClass(vista, "usb"), (Answer{true, ""}));
}

TEST_F(VistaTest, ClassWalkKeepsTheNetworkLocationRule) {
  AddServiceSubkey(builder_, "e1000", "Enum", {{"0", "PCI\\1"}, {"1", "ROOT\\MINIPORT\\1"}});
  AddDevice(builder_, "PCI\\1",
            {{"Class", "Net"},
             {"LocationInformation", "PCI bus 3"},
             {"DeviceDesc", "net.inf;Gigabit Adapter"}});
  AddDevice(builder_, "ROOT\\MINIPORT\\1", {{"Class", "Net"}, {"DeviceDesc", "x;WAN Miniport"}});
  Install();
  CHwFetcherVista vista;
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetNetwork), (Answer{true, "Gigabit Adapter"}));
}

TEST_F(VistaTest, ServiceWalkPassesOverRootInstancesOnly) {
  AddServiceSubkey(builder_, "Kbdclass", "Enum",
                   {{"0", "Root\\RDP_KBD\\0000"},
                    {"1", "ROOT\\KBD\\1"},
                    {"2", "root\\kbd\\2"},
                    {"3", "TS_INPT\\RDP_KBD\\3"}});
  AddDevice(builder_, "Root\\RDP_KBD\\0000", {{"DeviceDesc", "kbd.inf;Remote Keyboard"}});
  AddDevice(builder_, "ROOT\\KBD\\1", {{"DeviceDesc", "keyboard.inf;Upper Root"}});
  AddDevice(builder_, "root\\kbd\\2", {{"DeviceDesc", "Lower root"}});
  AddDevice(builder_, "TS_INPT\\RDP_KBD\\3", {{"DeviceDesc", "a;Remote;x"}});
  Install();
  CHwFetcherVista vista;
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetKeyboard), (Answer{true, "Upper Root;Lower root;Remote;x"}));
  CHwFetcher2000 win2000;  // the same instances on the older walk
  EXPECT_EQ(Ask(win2000, &CHwFetcher::GetKeyboard),
            (Answer{true, "keyboard.inf;Upper Root;Lower root"}));
  EXPECT_EQ(machine_->OpenHandleCount(), 0);
}

TEST_F(VistaTest, CdromByClassWithoutReadingTheScsiMap) {
  AddServiceSubkey(builder_, "cdrom", "Enum", {{"0", "IDE\\1"}, {"1", "USBSTOR\\2"}});
  AddDevice(builder_, "IDE\\1", {{"Class", "CDROM"}, {"FriendlyName", "x;DVD-RW Drive"}});
  AddDevice(builder_, "USBSTOR\\2", {{"Class", "CdRom"}, {"DeviceDesc", "USB CD"}});
  builder_.Key("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 0\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0")
      .String("Type", "CdRomPeripheral")
      .String("Identifier", "SCSI CD");
  Install();
  CHwFetcherVista vista;
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetCdrom), (Answer{true, "DVD-RW Drive;USB CD"}));
  for (const std::string& path : machine_->openedKeyPaths)
    EXPECT_EQ(path.find("DEVICEMAP"), std::string::npos) << path;
  EXPECT_LT(machine_->calls["RegOpenKeyExA"], 10);
  EXPECT_EQ(machine_->OpenHandleCount(), 0);
}

}  // namespace
