// The NT device walks: devices by setup class over every service subkey, devices of one
// driver service, CD-ROM units of the SCSI map, monitors, the spooler's default printer, and
// the NT 6 forms that keep only a description's display text.
#include <string>

#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "hardware_test_support.h"

namespace {

using hwtest::Answer;
using hwtest::Ask;
using hwtest::TextOfBytes;

class NtWalkTest : public hwtest::HwTest {
 protected:
  std::string Class(CHwFetcher& fetcher, const char* name, int capacity = 2048) {
    return Answer([&](char* b, int c) { return fetcher.GetDevicesOfClass(name, b, c); }, capacity);
  }
  std::string Monitor(CHwFetcher&& fetcher) { return Ask(fetcher, &CHwFetcher::GetMonitor); }
  void Monitor(const std::string& model, const std::string& instance, const char* description) {
    Key("SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\" + model + "\\" + instance);
    if (description != nullptr) builder_.String("DeviceDesc", description);
  }
};

// Instance values "0" to "3" of every subkey of every service, in the registry's order and
// without removing repeats; an instance that can't be followed skips only itself, and so does
// a service whose key can't be opened. The class matches whole, in any case.
TEST_F(NtWalkTest, ClassWalkVisitsEveryInstanceValueOfEveryServiceSubkey) {
  Service("a", "Enum", {{"0", "X\\0"}, {"1", "X\\1"}, {"3", "X\\3"}, {"4", "X\\4"}});
  Device("X\\0", {{"DeviceDesc", "no class"}});
  Device("X\\1", {{"Class", "Medias"}, {"DeviceDesc", "other class"}});
  Device("X\\3", {{"Class", "MEDIA"}, {"FriendlyName", "Friendly"}, {"DeviceDesc", "unused"}});
  Device("X\\4", {{"Class", "Media"}, {"DeviceDesc", "fifth value, never read"}});
  Service("a", "Other", {{"0", "X\\5"}, {"1", "X\\6"}});
  Device("X\\5", {{"Class", "Media"}});
  Device("X\\6", {{"Class", "media"}, {"DeviceDesc", "Described"}});
  Service("b", "Enum", {{"0", "X\\3"}});
  Service("c", "Enum", {{"0", std::string(500, 'L')}, {"1", "X\\3"}});
  builder_.machine().faults.push_back(
      sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Services\\b"));
  Install();
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Class(fetcher, "media"), "Friendly;Described;Friendly");
  EXPECT_EQ(machine().faults[0].matched, 1);
  EXPECT_EQ(Class(fetcher, "display"), "!None");
}

TEST_F(NtWalkTest, OnlyNetworkDevicesNeedALocation) {
  Service("a", "Enum", {{"0", "ROOT\\1"}, {"1", "PCI\\1"}});
  Device("ROOT\\1", {{"Class", "net"}, {"DeviceDesc", "Miniport"}});
  Device("PCI\\1", {{"Class", "Net"}, {"DeviceDesc", "Physical"}, {"LocationInformation", "2"}});
  Install();
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetNetwork), "Physical");
}

TEST_F(NtWalkTest, NamesLongerThanOfferedCountAsAbsentAndTheListIsCut) {
  Service("a", "Enum", {{"0", "X\\1"}, {"1", "X\\2"}, {"2", "X\\3"}});
  Device("X\\1", {{"Class", "Media"}}).Raw("FriendlyName", REG_SZ, TextOfBytes(512, 'f'));
  Device("X\\2", {{"Class", "Media"}, {"DeviceDesc", "Described"}})
      .Raw("FriendlyName", REG_SZ, TextOfBytes(513));
  Device("X\\3", {{"Class", "Media"}}).Raw("DeviceDesc", REG_SZ, TextOfBytes(500, 'd'));
  for (int i = 0; i < 9; ++i) Service("s" + std::to_string(i), "Enum", {{"0", "X\\3"}});
  Install();
  CHwFetcher2000 fetcher;
  std::string text = Class(fetcher, "media", 8000);
  EXPECT_EQ(text.substr(0, 522), std::string(511, 'f') + ";Described;");
  EXPECT_EQ(text.size(), 4096u);  // the work area, whatever the caller offers
  EXPECT_EQ(Class(fetcher, "media", 600), text.substr(0, 600));
}

// Remote desktop's instances are skipped by their exact marker; only "DeviceDesc" counts.
TEST_F(NtWalkTest, ServiceWalkListsDescriptionsOfTheFirstFourValues) {
  Service("Mouclass", "Enum",
          {{"0", "TS_INPT\\RDP_MOU\\1"},
           {"1", "HID\\3"},
           {"2", "MISSING\\1"},
           {"3", "HID\\rdp_mou\\2"},
           {"4", "HID\\4"}});
  Device("TS_INPT\\RDP_MOU\\1", {{"DeviceDesc", "Remote Mouse"}});
  Device("HID\\rdp_mou\\2", {{"DeviceDesc", "lower case rdp"}});
  Device("HID\\3", {{"FriendlyName", "no description"}});
  Device("HID\\4", {{"DeviceDesc", "fifth, never read"}});
  Service("Kbdclass", "Enum", {{"1", "K\\1"}, {"2", "K\\2"}});
  Device("K\\1", {}).Raw("DeviceDesc", REG_SZ, TextOfBytes(4096));
  Device("K\\2", {}).Raw("DeviceDesc", REG_SZ, TextOfBytes(4097));
  Service("Modem", "Other", {{"0", "HID\\4"}});
  Install();
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetMouse), "lower case rdp");
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetKeyboard, 4096), std::string(4095, 'x'));
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetModem), "!None");
}

TEST_F(NtWalkTest, ScsiScanListsCdRomUnitsOfAddressesBelowTen) {
  auto unit = [&](int port, int bus, int target, int lun, const char* type) -> auto& {
    Key("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(port) + "\\Scsi Bus " +
        std::to_string(bus) + "\\Target Id " + std::to_string(target) + "\\Logical Unit Id " +
        std::to_string(lun));
    return type != nullptr ? builder_.String("Type", type) : builder_;
  };
  unit(9, 9, 9, 9, "CDROMPERIPHERAL").String("Identifier", "Last");
  unit(0, 0, 0, 0, "CdRomPeripheral").String("Identifier", "First");
  unit(0, 0, 1, 0, "DiskPeripheral").String("Identifier", "Disk");
  unit(1, 0, 2, 3, "cdromperipheral");  // no identifier
  unit(2, 0, 0, 0, nullptr).String("Identifier", "No type");
  unit(0, 0, 0, 10, "CdRomPeripheral").String("Identifier", "U10");
  unit(3, 1, 0, 0, "CdRomPeripheralX").String("Identifier", "X");
  Install();
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetCdrom), "First;Last");
  EXPECT_EQ(machine().calls["RegOpenKeyExA"], 10000);
}

TEST_F(NtWalkTest, DefaultPrinterFromTheSpooler) {
  Install();
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetDefaultPrinter), "!None");
  machine().facts.hasDefaultPrinter = true;
  machine().facts.defaultPrinter = {"\\\\PRINTSRV\\Accounting LaserJet 4050 PCL 6", "IP_1"};
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetDefaultPrinter),
            "\\\\PRINTSRV\\Accounting LaserJet 4050 PCL 6");
  EXPECT_EQ(machine().calls["EnumPrintersA"], 0);
}

// 2000 and 2003: the first readable description of the generic monitor, never a list.
TEST_F(NtWalkTest, GenericMonitorIsTheFirstReadableDescription) {
  Monitor("SAM0001", "1", "a model");
  Install();
  EXPECT_EQ(Monitor(CHwFetcher2000()), "!None");
  Monitor("Default_Monitor", "1", nullptr);
  Install();
  EXPECT_EQ(Monitor(CHwFetcher2000()), "!");  // empty, not "None"
  Key("SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor\\2")
      .Raw("DeviceDesc", REG_SZ, TextOfBytes(4097));
  Monitor("Default_Monitor", "3", "Plug and Play Monitor");
  Monitor("Default_Monitor", "4", "Second readable");
  Install();
  EXPECT_EQ(Monitor(CHwFetcher2000()), "Plug and Play Monitor");
}

// XP and later: up to four instances of the first model that is not the generic monitor.
TEST_F(NtWalkTest, ModelMonitorListsFourInstancesOfTheFirstModel) {
  Monitor("DEFAULT_MONITOR", "1", "Generic");
  Install();
  EXPECT_EQ(Monitor(CHwFetcherXp()), "!None");
  Monitor("DELL1001", "a", "@monitor.inf,%id%;Dell 1");
  Monitor("DELL1001", "b", nullptr);
  Monitor("DELL1001", "c", "Dell 3");
  Monitor("DELL1001", "d", "a;b;");
  Monitor("DELL1001", "e", "Dell 5, never read");
  Monitor("SAM0001", "a", "another model");
  Install();
  EXPECT_EQ(Monitor(CHwFetcherXp()), "@monitor.inf,%id%;Dell 1;Dell 3;a;b;");
  EXPECT_EQ(Monitor(CHwFetcherVista()), "Dell 1;Dell 3;b;");
  Monitor(std::string(600, 'A'), "1", "a model name too long to read ends the search");
  Install();
  EXPECT_EQ(Monitor(CHwFetcherXp()), "!None");
}

// NT 6: entries reduced to what follows their first ";", root-enumerated service instances
// passed over, CD-ROM drives by class and not from the SCSI map.
TEST_F(NtWalkTest, VistaReducesEntriesAndSkipsRootInstances) {
  Service("HDAudBus", "Enum", {{"0", "X\\1"}, {"1", "X\\2"}, {"2", "Root\\K\\1"}});
  Device("X\\1", {{"Class", "Media"}, {"FriendlyName", "@hdaudio.inf;HD Audio"}});
  Device("X\\2", {{"Class", "CDROM"}, {"DeviceDesc", "Plain"}});
  Device("Root\\K\\1", {{"Class", "usb"}, {"DeviceDesc", "usb.inf;"}});
  Service("Kbdclass", "Enum", {{"0", "Root\\RDP\\1"}, {"1", "ROOT\\K\\2"}, {"2", "root\\K\\3"}});
  Device("Root\\RDP\\1", {{"DeviceDesc", "kbd.inf;Remote Keyboard"}});
  Device("ROOT\\K\\2", {{"DeviceDesc", "kbd.inf;Upper Root"}});
  Device("root\\K\\3", {{"DeviceDesc", "a;lower;x"}});
  Key("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 0\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0",
      {{"Type", "CdRomPeripheral"}, {"Identifier", "SCSI CD"}});
  Install();
  CHwFetcherVista vista;
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetMedia), "HD Audio");
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetUsb), "");
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetKeyboard), "Upper Root;lower;x");
  EXPECT_EQ(Ask(vista, &CHwFetcher::GetCdrom), "Plain");
}

TEST(TextAfterSemicolon, CopiesTheRestCutToTheCapacity) {
  char out[8] = "kept";
  EXPECT_FALSE(CHwFetcherVista::GetTextAfterSemicolon("none here", out, 7));
  EXPECT_STREQ(out, "kept");
  EXPECT_TRUE(CHwFetcherVista::GetTextAfterSemicolon("a;0123456789", out, 7));
  EXPECT_EQ(std::string(out, 8), std::string("0123456\0", 8));
}

}  // namespace
