// The three monitor lookups: the generic monitor (2000 and 2003), the first model key (XP)
// and the first model key with display texts (NT 6).
#include <string>

#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_2003.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "hardware_test_support.h"

namespace {

using hwtest::Answer;
using hwtest::Ask;

class MonitorTest : public ::testing::Test {
 protected:
  // An instance under DISPLAY\<model>; an empty description means no "DeviceDesc".
  void Instance(const std::string& model, const std::string& instance,
                const std::string& description) {
    builder_.Key(std::string(hwtest::kDisplay) + model + "\\" + instance);
    if (!description.empty()) builder_.String("DeviceDesc", description);
  }
  template <class Fetcher>
  Answer Monitor() {
    if (!machine_) {
      machine_ = builder_.Build();
      installed_.reset(new sim::ScopedMachine(*machine_));
    }
    Fetcher fetcher;
    Answer answer = Ask(fetcher, &CHwFetcher::GetMonitor);
    EXPECT_EQ(machine_->OpenHandleCount(), 0);
    return answer;
  }

  sim::MachineBuilder builder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

TEST_F(MonitorTest, GenericFormTakesTheFirstReadableDescription) {
  Instance("Default_Monitor", "0001", "");
  Instance("Default_Monitor", "0002", "Plug and Play Monitor");
  Instance("Default_Monitor", "0003", "");
  Instance("Default_Monitor", "0004", "Second readable");
  EXPECT_EQ(Monitor<CHwFetcher2000>(), (Answer{true, "Plug and Play Monitor"}));
  EXPECT_EQ(Monitor<CHwFetcher2003>(), (Answer{true, "Plug and Play Monitor"}));
}

TEST_F(MonitorTest, GenericFormWithoutDescriptionAnswersEmptyNotNone) {
  Instance("Default_Monitor", "0001", "");
  Instance("Default_Monitor", "0002", "");
  EXPECT_EQ(Monitor<CHwFetcher2000>(), (Answer{false, ""}));
}

TEST_F(MonitorTest, GenericFormWithoutTheKeyGivesNone) {
  Instance("SAM0001", "0001", "Model");
  EXPECT_EQ(Monitor<CHwFetcher2000>(), (Answer{false, "None"}));
}

TEST_F(MonitorTest, GenericFormReadsDescriptionsUpTo4096Bytes) {
  builder_.Key(std::string(hwtest::kDisplay) + "Default_Monitor\\0001")
      .Raw("DeviceDesc", REG_SZ, hwtest::TextOfBytes(4097));
  builder_.Key(std::string(hwtest::kDisplay) + "Default_Monitor\\0002")
      .Raw("DeviceDesc", REG_SZ, hwtest::TextOfBytes(4096, 'y'));
  machine_ = builder_.Build();
  installed_.reset(new sim::ScopedMachine(*machine_));
  CHwFetcher2000 fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetMonitor, 4096), (Answer{true, std::string(4095, 'y')}));
}

TEST_F(MonitorTest, ModelFormListsAtMostFourInstancesOfTheFirstModel) {
  Instance("Default_Monitor", "0001", "Generic");
  Instance("DELL1001", "a", "Dell 1");
  Instance("DELL1001", "b", "");
  Instance("DELL1001", "c", "Dell 3");
  Instance("DELL1001", "d", "Dell 4");
  Instance("DELL1001", "e", "Dell 5, never read");
  Instance("SAM0001", "a", "Samsung, another model");
  EXPECT_EQ(Monitor<CHwFetcherXp>(), (Answer{true, "Dell 1;Dell 3;Dell 4"}));
}

TEST_F(MonitorTest, ModelFormJoinsFourDescriptions) {
  for (const char* instance : {"1", "2", "3", "4", "5"})
    Instance("CPQ1234", instance, std::string("Monitor ") + instance);
  EXPECT_EQ(Monitor<CHwFetcherXp>(), (Answer{true, "Monitor 1;Monitor 2;Monitor 3;Monitor 4"}));
}

TEST_F(MonitorTest, ModelFormPassesOverDefaultMonitorInAnyCase) {
  Instance("DEFAULT_MONITOR", "0001", "Generic");
  Instance("default_monitor2", "0001", "Model");
  EXPECT_EQ(Monitor<CHwFetcherXp>(), (Answer{true, "Model"}));
}

TEST_F(MonitorTest, ModelFormWithOnlyTheGenericKeyGivesNone) {
  Instance("Default_Monitor", "0001", "Generic");
  EXPECT_EQ(Monitor<CHwFetcherXp>(), (Answer{false, "None"}));
  EXPECT_EQ(Monitor<CHwFetcherVista>(), (Answer{false, "None"}));
}

TEST_F(MonitorTest, ModelFormWithoutDisplayGivesNone) {
  EXPECT_EQ(Monitor<CHwFetcherXp>(), (Answer{false, "None"}));
}

TEST_F(MonitorTest, ModelFormWithoutReadableDescriptionGivesNone) {
  Instance("SAM0001", "0001", "");
  EXPECT_EQ(Monitor<CHwFetcherXp>(), (Answer{false, "None"}));
}

TEST_F(MonitorTest, ModelFormStopsAtAModelNameTooLongToRead) {
  Instance(std::string(600, 'A'), "0001", "unreadable model");
  Instance("SAM0001", "0001", "would be next");
  EXPECT_EQ(Monitor<CHwFetcherXp>(), (Answer{false, "None"}));
}

TEST_F(MonitorTest, DisplayTextFormKeepsWhatFollowsTheFirstSemicolon) {
  Instance("SAM0001", "1", "@monitor.inf,%pnpmonitor.devicedesc%;Generic PnP Monitor");
  Instance("SAM0001", "2", "a;b;c");
  Instance("SAM0001", "3", "No separator");
  Instance("SAM0001", "4", "ends;");
  EXPECT_EQ(Monitor<CHwFetcherVista>(), (Answer{true, "Generic PnP Monitor;b;c;No separator;"}));
  EXPECT_EQ(Monitor<CHwFetcherXp>(),
            (Answer{true,
                    "@monitor.inf,%pnpmonitor.devicedesc%;Generic PnP Monitor;a;b;c;"
                    "No separator;ends;"}));
}

TEST(TextAfterSemicolon, CopiesTheRestOrLeavesTheOutputAlone) {
  char out[8] = "kept";
  EXPECT_FALSE(CHwFetcherVista::GetTextAfterSemicolon("none here", out, 7));
  EXPECT_STREQ(out, "kept");
  EXPECT_TRUE(CHwFetcherVista::GetTextAfterSemicolon("x;", out, 7));
  EXPECT_STREQ(out, "");
  char cut[8] = {};
  EXPECT_TRUE(CHwFetcherVista::GetTextAfterSemicolon("a;0123456789", cut, 7));
  EXPECT_EQ(std::string(cut, 7), "0123456");
  EXPECT_EQ(cut[7], '\0');
}

}  // namespace
