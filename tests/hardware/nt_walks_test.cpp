// The NT device walks: devices by setup class over every service subkey, devices of one
// driver service, CD-ROM units of the SCSI map, and the spooler's default printer.
#include <string>

#include "hardware/hw_fetcher_2000.h"
#include "hardware_test_support.h"

namespace {

using hwtest::AddDevice;
using hwtest::AddServiceSubkey;
using hwtest::Answer;
using hwtest::Ask;
using hwtest::AskClass;
using hwtest::TextOfBytes;

class NtWalkTest : public ::testing::Test {
 protected:
  // Builds the machine, asks, and checks that every key was closed.
  Answer Class(const char* className, int capacity = 2048) {
    Install();
    CHwFetcher2000 fetcher;
    Answer answer = AskClass(fetcher, className, capacity);
    EXPECT_EQ(machine_->OpenHandleCount(), 0);
    return answer;
  }
  Answer Slot(hwtest::Slot slot) {
    Install();
    CHwFetcher2000 fetcher;
    Answer answer = Ask(fetcher, slot);
    EXPECT_EQ(machine_->OpenHandleCount(), 0);
    return answer;
  }
  void Install() {
    machine_ = builder_.Build();
    installed_.reset(new sim::ScopedMachine(*machine_));
  }
  // A device of `deviceClass` listed as value "0" of the service's "Enum" key.
  void NetDevice(const std::string& service, const std::string& deviceClass,
                 const std::string& name, bool withLocation) {
    std::string instance = "PCI\\" + service + "\\1";
    AddServiceSubkey(builder_, service, "Enum", {{"0", instance}});
    hwtest::Values values = {{"Class", deviceClass}, {"DeviceDesc", name}};
    if (withLocation) values.push_back({"LocationInformation", "PCI bus 2, device 1"});
    AddDevice(builder_, instance, values);
  }

  sim::MachineBuilder builder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

TEST_F(NtWalkTest, NothingMatchingGivesNone) {
  NetDevice("e100b", "Net", "Intel PRO/100", true);
  EXPECT_EQ(Class("display"), (Answer{false, "None"}));
}

TEST_F(NtWalkTest, NoServicesKeyGivesNone) { EXPECT_EQ(Class("net"), (Answer{false, "None"})); }

TEST_F(NtWalkTest, FriendlyNameBeforeDescriptionAndNeitherIsNoEntry) {
  AddServiceSubkey(builder_, "a", "Enum", {{"0", "X\\1"}, {"1", "X\\2"}, {"2", "X\\3"}});
  AddDevice(builder_, "X\\1",
            {{"Class", "Display"}, {"FriendlyName", "Friendly"}, {"DeviceDesc", "Described"}});
  AddDevice(builder_, "X\\2", {{"Class", "Display"}});
  AddDevice(builder_, "X\\3", {{"Class", "DISPLAY"}, {"DeviceDesc", "Only described"}});
  EXPECT_EQ(Class("display"), (Answer{true, "Friendly;Only described"}));
}

TEST_F(NtWalkTest, AnEmptyFriendlyNameStillCounts) {
  AddServiceSubkey(builder_, "a", "Enum", {{"0", "X\\1"}});
  AddDevice(builder_, "X\\1", {{"Class", "usb"}, {"FriendlyName", ""}});
  EXPECT_EQ(Class("usb"), (Answer{true, ""}));
}

TEST_F(NtWalkTest, AnEmptyEntryAfterAnotherLeavesTheSeparator) {
  AddServiceSubkey(builder_, "a", "Enum", {{"0", "X\\1"}, {"1", "X\\2"}});
  AddDevice(builder_, "X\\1", {{"Class", "usb"}, {"DeviceDesc", "Root Hub"}});
  AddDevice(builder_, "X\\2", {{"Class", "usb"}, {"FriendlyName", ""}});
  EXPECT_EQ(Class("usb"), (Answer{true, "Root Hub;"}));
}

TEST_F(NtWalkTest, ClassMatchesWholeTextInAnyCase) {
  NetDevice("a1", "NET", "Upper", true);
  NetDevice("a2", "Net", "Mixed", true);
  NetDevice("a3", "Network", "Longer", true);
  NetDevice("a4", "ne", "Shorter", true);
  EXPECT_EQ(Class("net"), (Answer{true, "Upper;Mixed"}));
}

TEST_F(NtWalkTest, NetworkDevicesNeedALocation) {
  NetDevice("a1", "Net", "Physical", true);
  NetDevice("a2", "Net", "Miniport", false);
  EXPECT_EQ(Class("NET"), (Answer{true, "Physical"}));
}

TEST_F(NtWalkTest, OtherClassesIgnoreTheLocation) {
  NetDevice("a1", "Media", "With", true);
  NetDevice("a2", "Media", "Without", false);
  EXPECT_EQ(Class("media"), (Answer{true, "With;Without"}));
}

TEST_F(NtWalkTest, ReadsValuesZeroToThreeIndependently) {
  AddServiceSubkey(builder_, "a", "Enum", {{"0", "X\\0"}, {"2", "X\\2"}, {"5", "X\\5"}});
  for (const char* i : {"0", "2", "5"})
    AddDevice(builder_, std::string("X\\") + i, {{"Class", "Media"}, {"DeviceDesc", i}});
  EXPECT_EQ(Class("media"), (Answer{true, "0;2"}));
}

TEST_F(NtWalkTest, EverySubkeyOfEveryServiceInOrderWithoutDeduplication) {
  AddServiceSubkey(builder_, "bsvc", "Enum", {{"0", "X\\1"}});
  AddServiceSubkey(builder_, "asvc", "Parameters", {{"0", "X\\2"}});
  AddServiceSubkey(builder_, "asvc", "Enum", {{"0", "X\\1"}, {"1", "X\\2"}});
  AddDevice(builder_, "X\\1", {{"Class", "Media"}, {"DeviceDesc", "One"}});
  AddDevice(builder_, "X\\2", {{"Class", "Media"}, {"DeviceDesc", "Two"}});
  // asvc before bsvc; within asvc, Enum before Parameters
  EXPECT_EQ(Class("media"), (Answer{true, "One;Two;Two;One"}));
}

TEST_F(NtWalkTest, ValuesLongerThanOfferedCountAsAbsent) {
  AddServiceSubkey(builder_, "a", "Enum", {{"0", "X\\1"}, {"1", "X\\2"}});
  builder_.Key(std::string(hwtest::kEnum) + "X\\1")
      .String("Class", "Media")
      .Raw("FriendlyName", REG_SZ, TextOfBytes(512, 'f'))
      .String("DeviceDesc", "unused");
  builder_.Key(std::string(hwtest::kEnum) + "X\\2")
      .String("Class", "Media")
      .Raw("FriendlyName", REG_SZ, TextOfBytes(513, 'f'))
      .String("DeviceDesc", "Described");
  EXPECT_EQ(Class("media", 4096), (Answer{true, std::string(511, 'f') + ";Described"}));
}

TEST_F(NtWalkTest, ALongListIsCutExactlyAtTheCapacity) {
  hwtest::Values values;
  for (int i = 0; i < 4; ++i) values.push_back({std::to_string(i), "X\\" + std::to_string(i)});
  for (int service = 0; service < 4; ++service) {
    AddServiceSubkey(builder_, "s" + std::to_string(service), "Enum", values);
  }
  for (int i = 0; i < 4; ++i) {
    builder_.Key(std::string(hwtest::kEnum) + "X\\" + std::to_string(i))
        .String("Class", "Media")
        .Raw("DeviceDesc", REG_SZ, TextOfBytes(500, static_cast<char>('a' + i)));
  }
  Install();
  CHwFetcher2000 fetcher;
  std::vector<char> buffer(2049, '\0');
  EXPECT_TRUE(fetcher.GetMedia(buffer.data(), 2048));
  // 16 entries of 499 characters: 2048 characters arrive, the fifth entry cut inside.
  std::string expected = std::string(499, 'a') + ";" + std::string(499, 'b') + ";" +
                         std::string(499, 'c') + ";" + std::string(499, 'd') + ";" +
                         std::string(48, 'a');
  EXPECT_EQ(std::string(buffer.data()), expected);
  EXPECT_EQ(machine_->OpenHandleCount(), 0);

  std::vector<char> wide(8001, '#');
  EXPECT_TRUE(fetcher.GetMedia(wide.data(), 8000));  // more than the 4096 of the work area
  EXPECT_EQ(std::string(wide.data()).size(), 4096u);
}

TEST_F(NtWalkTest, AnInstancePathTooLongForItsKeyPathIsSkipped) {
  std::string longInstance(500, 'L');
  AddServiceSubkey(builder_, "a", "Enum", {{"0", longInstance}, {"1", "X\\1"}});
  AddDevice(builder_, "X\\1", {{"Class", "Media"}, {"DeviceDesc", "Short"}});
  EXPECT_EQ(Class("media"), (Answer{true, "Short"}));
  EXPECT_EQ(machine_->calls["RegOpenKeyExA"], 4);  // Services, a, Enum, X\1 and nothing else
}

TEST_F(NtWalkTest, ServiceWalkListsDescriptionsAndSkipsRemoteDesktop) {
  AddServiceSubkey(builder_, "Mouclass", "Enum",
                   {{"0", "ACPI\\PNP0F13\\1"},
                    {"1", "TS_INPT\\RDP_MOU\\1"},
                    {"2", "HID\\rdp_mou\\2"},
                    {"3", "HID\\VID_1\\3"},
                    {"4", "HID\\VID_2\\4"}});
  AddDevice(builder_, "ACPI\\PNP0F13\\1", {{"DeviceDesc", "PS/2 Mouse"}, {"Class", "Mouse"}});
  AddDevice(builder_, "TS_INPT\\RDP_MOU\\1", {{"DeviceDesc", "Remote Mouse"}});
  AddDevice(builder_, "HID\\rdp_mou\\2", {{"DeviceDesc", "lower case rdp"}});
  AddDevice(builder_, "HID\\VID_1\\3", {{"FriendlyName", "no description"}});
  AddDevice(builder_, "HID\\VID_2\\4", {{"DeviceDesc", "fifth, never read"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetMouse), (Answer{true, "PS/2 Mouse;lower case rdp"}));
}

TEST_F(NtWalkTest, ServiceWalkUsesTheWholeLongDescription) {
  AddServiceSubkey(builder_, "Kbdclass", "Enum", {{"1", "X\\1"}, {"2", "X\\2"}});
  builder_.Key(std::string(hwtest::kEnum) + "X\\1").Raw("DeviceDesc", REG_SZ, TextOfBytes(4096));
  builder_.Key(std::string(hwtest::kEnum) + "X\\2").Raw("DeviceDesc", REG_SZ, TextOfBytes(4097));
  Install();
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetKeyboard, 4096), (Answer{true, std::string(4095, 'x')}));
}

TEST_F(NtWalkTest, ServiceWithoutEnumKeyGivesNone) {
  builder_.Key(std::string(hwtest::kServices) + "Modem");
  EXPECT_EQ(Slot(&CHwFetcher::GetModem), (Answer{false, "None"}));
}

TEST_F(NtWalkTest, ServiceWalkWithNothingReadableGivesNone) {
  AddServiceSubkey(builder_, "Modem", "Enum", {{"0", "MISSING\\1"}, {"1", "X\\1"}});
  AddDevice(builder_, "X\\1", {{"FriendlyName", "no description"}});
  EXPECT_EQ(Slot(&CHwFetcher::GetModem), (Answer{false, "None"}));
}

TEST_F(NtWalkTest, TooLongSubkeyNamesAreSkippedNotFatal) {
  AddServiceSubkey(builder_, std::string(600, 'A'), "Enum", {{"0", "X\\1"}});
  AddServiceSubkey(builder_, "B", "Enum", {{"0", "X\\1"}});
  AddDevice(builder_, "X\\1", {{"Class", "Media"}, {"DeviceDesc", "Found"}});
  EXPECT_EQ(Class("media"), (Answer{true, "Found"}));
}

const char kScsi[] = "HARDWARE\\DEVICEMAP\\Scsi\\";

std::string UnitPath(int port, int bus, int target, int unit) {
  return std::string(kScsi) + "Scsi Port " + std::to_string(port) + "\\Scsi Bus " +
         std::to_string(bus) + "\\Target Id " + std::to_string(target) + "\\Logical Unit Id " +
         std::to_string(unit);
}

TEST_F(NtWalkTest, ScsiScanListsCdRomUnitsInAddressOrder) {
  builder_.Key(UnitPath(9, 9, 9, 9)).String("Type", "CDROMPERIPHERAL").String("Identifier", "Last");
  builder_.Key(UnitPath(0, 0, 0, 0))
      .String("Type", "CdRomPeripheral")
      .String("Identifier", "First");
  builder_.Key(UnitPath(0, 0, 1, 0)).String("Type", "DiskPeripheral").String("Identifier", "Disk");
  builder_.Key(UnitPath(1, 0, 2, 3)).String("Type", "cdromperipheral");  // no identifier
  builder_.Key(UnitPath(2, 0, 0, 0)).String("Identifier", "No type");
  builder_.Key(UnitPath(10, 0, 0, 0)).String("Type", "CdRomPeripheral").String("Identifier", "P10");
  builder_.Key(UnitPath(0, 0, 0, 10)).String("Type", "CdRomPeripheral").String("Identifier", "U10");
  builder_.Key(UnitPath(3, 1, 0, 0)).String("Type", "CdRomPeripheralX").String("Identifier", "X");
  EXPECT_EQ(Slot(&CHwFetcher::GetCdrom), (Answer{true, "First;Last"}));
  EXPECT_EQ(machine_->calls["RegOpenKeyExA"], 10000);
}

TEST_F(NtWalkTest, ScsiScanWithoutCdRomGivesNone) {
  EXPECT_EQ(Slot(&CHwFetcher::GetCdrom), (Answer{false, "None"}));
}

TEST_F(NtWalkTest, DefaultPrinterFromTheSpooler) {
  builder_.With([](sim::Facts& f) {
    f.hasDefaultPrinter = true;
    f.defaultPrinter = {"\\\\PRINTSRV\\Accounting LaserJet 4050 PCL 6 with a long name", "IP_1"};
  });
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter),
            (Answer{true, "\\\\PRINTSRV\\Accounting LaserJet 4050 PCL 6 with a long name"}));
  EXPECT_EQ(machine_->calls["EnumPrintersA"], 0);
}

TEST_F(NtWalkTest, NoDefaultPrinterGivesNone) {
  EXPECT_EQ(Slot(&CHwFetcher::GetDefaultPrinter), (Answer{false, "None"}));
}

}  // namespace
