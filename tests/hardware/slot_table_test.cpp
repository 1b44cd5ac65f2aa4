// The operation table: for every class of the chain, which implementation answers each
// device slot, and that the class- and service-name slots reach slots 4 and 16 virtually.
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "common/text.h"
#include "hardware/hw_fetcher.h"
#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_2003.h"
#include "hardware/hw_fetcher_9598me.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "hardware_test_support.h"

namespace {

using hwtest::Answer;
using hwtest::Ask;
using hwtest::Slot;

template <class T, class = void>
struct HasServiceSlot : std::false_type {};
template <class T>
struct HasServiceSlot<T, std::void_t<decltype(&T::GetDevicesOfService)>> : std::true_type {};

static_assert(std::has_virtual_destructor<CHwFetcher>::value, "deleted through the base");
static_assert(!HasServiceSlot<CHwFetcher>::value, "slot 16 starts with the 2000 class");
static_assert(!HasServiceSlot<CHwFetcher9598Me>::value, "slot 16 starts with the 2000 class");
static_assert(HasServiceSlot<CHwFetcher2000>::value && HasServiceSlot<CHwFetcherVista>::value,
              "slot 16 from the 2000 class on");
static_assert(std::is_base_of<CHwFetcher9598Me, CHwFetcher2000>::value &&
                  std::is_base_of<CHwFetcher2000, CHwFetcher2003>::value &&
                  std::is_base_of<CHwFetcher2003, CHwFetcherXp>::value &&
                  std::is_base_of<CHwFetcherXp, CHwFetcherVista>::value,
              "one chain");

// Records what reaches slot 4 (and slot 16 where the class has it) instead of walking.
template <class Base>
class ClassRecorder : public Base {
 public:
  std::vector<std::string> calls;
  bool GetDevicesOfClass(const char* name, char* b, int c) override {
    calls.push_back(std::string("class ") + name);
    BoundedCopy(b, "recorded", c);
    return true;
  }
};

template <class Base>
class ServiceRecorder : public ClassRecorder<Base> {
 public:
  bool GetDevicesOfService(const char* name, char* b, int c) override {
    this->calls.push_back(std::string("service ") + name);
    BoundedCopy(b, "recorded", c);
    return true;
  }
};

struct NamedSlot {
  const char* name;
  Slot slot;
};
const NamedSlot kDeviceSlots[] = {{"GetMonitor", &CHwFetcher::GetMonitor},
                                  {"GetMouse", &CHwFetcher::GetMouse},
                                  {"GetKeyboard", &CHwFetcher::GetKeyboard},
                                  {"GetCdrom", &CHwFetcher::GetCdrom},
                                  {"GetMedia", &CHwFetcher::GetMedia},
                                  {"GetModem", &CHwFetcher::GetModem},
                                  {"GetVideo", &CHwFetcher::GetVideo},
                                  {"GetDefaultPrinter", &CHwFetcher::GetDefaultPrinter},
                                  {"GetScsi", &CHwFetcher::GetScsi},
                                  {"GetNetwork", &CHwFetcher::GetNetwork},
                                  {"GetUsb", &CHwFetcher::GetUsb}};

// Per slot 5 to 15 in slot order: what it delegates to, or "own" for a walk of its own.
const std::vector<std::string> k9xDelegation = {"class monitor", "class mouse", "class keyboard",
                                                "class cdrom",   "class media", "class modem",
                                                "class display", "own",         "class scsiadapter",
                                                "class net",     "class usb"};
const std::vector<std::string> kNtDelegation = {"own",
                                                "service Mouclass",
                                                "service Kbdclass",
                                                "own",
                                                "class media",
                                                "service Modem",
                                                "class display",
                                                "own",
                                                "class scsiadapter",
                                                "class net",
                                                "class usb"};
const std::vector<std::string> kVistaDelegation = {"own",
                                                   "service Mouclass",
                                                   "service Kbdclass",
                                                   "class cdrom",
                                                   "class media",
                                                   "service Modem",
                                                   "class display",
                                                   "own",
                                                   "class scsiadapter",
                                                   "class net",
                                                   "class usb"};

template <class Recorder>
void ExpectDelegation(const std::vector<std::string>& expected, const char* className) {
  auto machine = sim::MachineBuilder().Build();
  sim::ScopedMachine installed(*machine);
  for (size_t i = 0; i < expected.size(); ++i) {
    Recorder fetcher;
    Answer answer = Ask(fetcher, kDeviceSlots[i].slot);
    if (expected[i] == "own") {
      EXPECT_TRUE(fetcher.calls.empty()) << className << "::" << kDeviceSlots[i].name;
      EXPECT_NE(answer.text, "recorded") << className << "::" << kDeviceSlots[i].name;
    } else {
      EXPECT_EQ(fetcher.calls, std::vector<std::string>{expected[i]})
          << className << "::" << kDeviceSlots[i].name;
      EXPECT_EQ(answer, (Answer{true, "recorded"})) << className << "::" << kDeviceSlots[i].name;
    }
  }
  EXPECT_EQ(machine->OpenHandleCount(), 0) << className;
}

TEST(SlotTable, NameSlotsReachTheObjectsOwnSlot4And16) {
  ExpectDelegation<ClassRecorder<CHwFetcher9598Me>>(k9xDelegation, "CHwFetcher9598Me");
  ExpectDelegation<ServiceRecorder<CHwFetcher2000>>(kNtDelegation, "CHwFetcher2000");
  ExpectDelegation<ServiceRecorder<CHwFetcher2003>>(kNtDelegation, "CHwFetcher2003");
  ExpectDelegation<ServiceRecorder<CHwFetcherXp>>(kNtDelegation, "CHwFetcherXp");
  ExpectDelegation<ServiceRecorder<CHwFetcherVista>>(kVistaDelegation, "CHwFetcherVista");
}

TEST(SlotTable, TheBaseAnswersFalseAndLeavesTheBufferAlone) {
  auto machine = sim::MachineBuilder().Build();
  sim::ScopedMachine installed(*machine);
  std::unique_ptr<CHwFetcher> fetcher(new CHwFetcher);
  char buffer[16] = "untouched";
  EXPECT_FALSE(fetcher->GetDevicesOfClass("net", buffer, 15));
  EXPECT_STREQ(buffer, "untouched");
  for (const NamedSlot& slot : kDeviceSlots) {
    EXPECT_FALSE(((*fetcher).*slot.slot)(buffer, 15)) << slot.name;
    EXPECT_STREQ(buffer, "untouched") << slot.name;
  }
  EXPECT_EQ(machine->calls["RegOpenKeyExA"], 0);
}

// One machine on which every walk finds something different, so the answer shows which
// implementation ran.
std::unique_ptr<sim::Machine> TellingMachine(DWORD platform) {
  sim::MachineBuilder b;
  hwtest::AddServiceSubkey(b, "Mouclass", "Enum", {{"0", "ACPI\\PNP0F13\\4&1"}});
  hwtest::AddDevice(b, "ACPI\\PNP0F13\\4&1", {{"Class", "Mouse"}, {"DeviceDesc", "inf;PS/2"}});
  hwtest::AddServiceSubkey(b, "cdrom", "Enum", {{"0", "IDE\\CdRomX\\5&1"}});
  hwtest::AddDevice(b, "IDE\\CdRomX\\5&1", {{"Class", "CDROM"}, {"FriendlyName", "inf;IDE CD"}});
  b.Key("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 1\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0")
      .String("Type", "CdRomPeripheral")
      .String("Identifier", "SCSI CD");
  b.Key(std::string(hwtest::kDisplay) + "Default_Monitor\\0001")
      .String("DeviceDesc", "Default Monitor");
  b.Key(std::string(hwtest::kDisplay) + "SAM0001\\5&1").String("DeviceDesc", "inf;SyncMaster");
  b.Key("Config Manager\\Enum\\C1", HKEY_DYN_DATA).String("HardWareKey", "MONITOR\\X\\1");
  b.Key("Enum\\MONITOR\\X\\1").String("Class", "Monitor").String("DeviceDesc", "9x Monitor");
  b.Key("Config Manager\\Enum\\C2", HKEY_DYN_DATA).String("HardWareKey", "SCSI\\CD\\1");
  b.Key("Enum\\SCSI\\CD\\1").String("Class", "CDROM").String("DeviceDesc", "9x CD");
  b.With([&](sim::Facts& f) {
    f.platformId = platform;  // 9x checks no access rights on the dynamic root
    f.hasDefaultPrinter = true;
    f.defaultPrinter = {"Laser", "LPT1:"};
  });
  return b.Build();
}

struct OwnAnswers {
  Answer monitor, mouse, cdrom;
  const char* printerCall;
};

void ExpectOwnWalks(CHwFetcher& fetcher, const OwnAnswers& expected, const char* className,
                    DWORD platform = VER_PLATFORM_WIN32_NT) {
  auto machine = TellingMachine(platform);
  sim::ScopedMachine installed(*machine);
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetMonitor), expected.monitor) << className;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetMouse), expected.mouse) << className;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetCdrom), expected.cdrom) << className;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetDefaultPrinter), (Answer{true, "Laser"})) << className;
  EXPECT_EQ(machine->calls[expected.printerCall], 1) << className;
  EXPECT_EQ(machine->calls["EnumPrintersA"] + machine->calls["DefaultPrinterByOrdinal"], 1)
      << className;
  EXPECT_EQ(machine->OpenHandleCount(), 0) << className;
}

TEST(SlotTable, EachClassAnswersWithItsOwnWalks) {
  CHwFetcher9598Me win9x;
  ExpectOwnWalks(win9x, {{true, "9x Monitor"}, {false, "None"}, {true, "9x CD"}, "EnumPrintersA"},
                 "CHwFetcher9598Me", VER_PLATFORM_WIN32_WINDOWS);
  const OwnAnswers nt = {
      {true, "Default Monitor"}, {true, "inf;PS/2"}, {true, "SCSI CD"}, "DefaultPrinterByOrdinal"};
  CHwFetcher2000 win2000;
  ExpectOwnWalks(win2000, nt, "CHwFetcher2000");
  CHwFetcher2003 win2003;
  ExpectOwnWalks(win2003, nt, "CHwFetcher2003");
  CHwFetcherXp xp;
  ExpectOwnWalks(
      xp,
      {{true, "inf;SyncMaster"}, {true, "inf;PS/2"}, {true, "SCSI CD"}, "DefaultPrinterByOrdinal"},
      "CHwFetcherXp");
  CHwFetcherVista vista;
  ExpectOwnWalks(
      vista, {{true, "SyncMaster"}, {true, "PS/2"}, {true, "IDE CD"}, "DefaultPrinterByOrdinal"},
      "CHwFetcherVista");
}

}  // namespace
