// The device walks at their edges: devices by setup class over every service subkey, devices
// of one driver service, CD-ROM units of the SCSI map and monitors on NT, and the 9x walk over
// the configuration manager's device nodes. The common cases are the nt-devices and
// vista-devices fixtures' reports.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_9598me.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "platform/sim/builder.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Values;
typedef bool (CHwFetcher::*Slot)(char* buffer, int capacity);

// The text a call leaves in a zero-filled area of capacity + 1, with "!" in front when the
// call answered false.
template <class Call>
std::string Answer(Call call, int capacity = 2048) {
  std::vector<char> buffer(static_cast<size_t>(capacity) + 1, '\0');
  bool result = call(buffer.data(), capacity);
  return (result ? "" : "!") + std::string(buffer.data());
}
inline std::string Ask(CHwFetcher& fetcher, Slot slot, int capacity = 2048) {
  return Answer([&](char* b, int c) { return (fetcher.*slot)(b, c); }, capacity);
}

// A string value of `dataBytes` bytes: letters and the terminator.
inline sim::Bytes TextOfBytes(size_t dataBytes, char letter = 'x') {
  sim::Bytes data(dataBytes, static_cast<uint8_t>(letter));
  data.back() = 0;
  return data;
}

// Every test ends with all registry keys closed.
class HwTest : public ::testing::Test {
 protected:
  // The machine stays the builder's: keys added later are there at once.
  void Install() {
    if (!installed_) installed_ = std::make_unique<sim::ScopedMachine>(machine());
  }
  void TearDown() override { EXPECT_EQ(machine().OpenHandleCount(), 0); }
  sim::Machine& machine() { return builder_.machine(); }
  sim::MachineBuilder& Key(const std::string& path, const Values& values = {}) {
    builder_.Key(path);
    for (const auto& value : values) builder_.String(value.first, value.second);
    return builder_;
  }
  // A service subkey holding instance values "0", "1", ...; a device instance of the Enum tree.
  void Service(const std::string& service, const std::string& subkey, const Values& values) {
    Key("SYSTEM\\CurrentControlSet\\Services\\" + service + "\\" + subkey, values);
  }
  sim::MachineBuilder& Device(const std::string& instance, const Values& values) {
    return Key("SYSTEM\\CurrentControlSet\\Enum\\" + instance, values);
  }

  std::string Class(CHwFetcher& fetcher, const char* name, int capacity = 2048) {
    return Answer([&](char* b, int c) { return fetcher.GetDevicesOfClass(name, b, c); }, capacity);
  }
  std::string Monitor(CHwFetcher&& fetcher) { return Ask(fetcher, &CHwFetcher::GetMonitor); }
  void Monitor(const std::string& model, const std::string& instance, const char* description) {
    Key("SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\" + model + "\\" + instance);
    if (description != nullptr) builder_.String("DeviceDesc", description);
  }

  sim::MachineBuilder builder_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

typedef HwTest NtWalkTest;

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

// Remote desktop's instances are skipped; only "DeviceDesc" counts, up to 4096 bytes.
TEST_F(NtWalkTest, ServiceWalkListsDescriptionsOfTheFirstFourValues) {
  Service("Mouclass", "Enum",
          {{"0", "TS_INPT\\RDP_MOU\\1"},
           {"1", "HID\\1"},
           {"2", "MISSING\\1"},
           {"3", "HID\\2"},
           {"4", "HID\\4"}});
  Device("TS_INPT\\RDP_MOU\\1", {{"DeviceDesc", "Remote Mouse"}});
  Device("HID\\1", {{"FriendlyName", "no description"}});
  Device("HID\\2", {{"DeviceDesc", "Listed"}});
  Device("HID\\4", {{"DeviceDesc", "fifth, never read"}});
  Service("Kbdclass", "Enum", {{"1", "K\\1"}, {"2", "K\\2"}});
  Device("K\\1", {}).Raw("DeviceDesc", REG_SZ, TextOfBytes(4096));
  Device("K\\2", {}).Raw("DeviceDesc", REG_SZ, TextOfBytes(4097));
  Service("Modem", "Other", {{"0", "HID\\4"}});
  Install();
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetMouse), "Listed");
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

// 2000 and 2003: the first readable description of the generic monitor, never a list.
TEST_F(NtWalkTest, GenericMonitorIsTheFirstReadableDescription) {
  Monitor("SAM0001", "1", "a model");
  Install();
  EXPECT_EQ(Monitor(CHwFetcher2000()), "!None");
  Monitor("Default_Monitor", "1", nullptr);
  EXPECT_EQ(Monitor(CHwFetcher2000()), "!");  // empty, not "None"
  Key("SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor\\2")
      .Raw("DeviceDesc", REG_SZ, TextOfBytes(4097));
  Monitor("Default_Monitor", "3", "Plug and Play Monitor");
  Monitor("Default_Monitor", "4", "Second readable");
  EXPECT_EQ(Monitor(CHwFetcher2000()), "Plug and Play Monitor");
}

// XP and later: the first model key but the generic monitor's, in any case; a model name too
// long to read ends the search.
TEST_F(NtWalkTest, ModelMonitorIsTheFirstModelButTheGenericOne) {
  Monitor("DEFAULT_MONITOR", "1", "Generic");
  Install();
  EXPECT_EQ(Monitor(CHwFetcherXp()), "!None");
  Monitor("Default_Monitor2", "1", "Model");
  EXPECT_EQ(Monitor(CHwFetcherXp()), "Model");
  Monitor(std::string(600, 'A'), "1", "unreadable");
  EXPECT_EQ(Monitor(CHwFetcherXp()), "!None");
}

TEST(TextAfterSemicolon, CopiesTheRestCutToTheCapacity) {
  char out[8] = "kept";
  EXPECT_FALSE(CHwFetcherVista::GetTextAfterSemicolon("none here", out, 7));
  EXPECT_STREQ(out, "kept");
  EXPECT_TRUE(CHwFetcherVista::GetTextAfterSemicolon("a;0123456789", out, 7));
  EXPECT_EQ(std::string(out, 8), std::string("0123456\0", 8));
}

class Win9xTest : public HwTest {
 protected:
  Win9xTest() {
    builder_.With([](sim::Facts& f) { f.platformId = VER_PLATFORM_WIN32_WINDOWS; });
  }
  // A device node naming its hardware key, and that key's values.
  sim::MachineBuilder& Node(const std::string& node, const std::string& hardwareKey,
                            const Values& values) {
    builder_.Key("Config Manager\\Enum\\" + node, HKEY_DYN_DATA).String("HardWareKey", hardwareKey);
    return Key("Enum\\" + hardwareKey, values);
  }
  std::string Slot(Slot slot) {
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
  Node("C6", "NET\\D", {{"Class", "Net"}}).Raw("DeviceDesc", REG_SZ, TextOfBytes(513));
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
