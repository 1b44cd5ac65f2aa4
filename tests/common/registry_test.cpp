// Registry reads whose faults the report alone can't show: a text that fills the area, and
// the views the software scan walks.
#include "common/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/builder.h"

namespace {

// Stored without its terminator and exactly as long as the area offered: what the area held
// before must not become part of the text.
TEST(RegistryTest, ATextFillingTheAreaComesBackTerminated) {
  const std::string text(16, 't');
  auto machine = sim::MachineBuilder()
                     .Key("SOFTWARE\\Values")
                     .Raw("Bare", REG_SZ, sim::Bytes(text.begin(), text.end()))
                     .Build();
  sim::ScopedMachine installed(*machine);
  KeyHolder key;
  ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Values", KEY_QUERY_VALUE));
  char area[17];
  std::memset(area, 'x', sizeof area);
  ASSERT_TRUE(ReadValueText(key.Get(), "Bare", area, 16));
  EXPECT_EQ(text, std::string(area, 16));
  EXPECT_EQ('\0', area[16]);
}

TEST(RegistryTest, A64BitMachineHasTwoSoftwareViews) {
  const struct {
    WORD architecture;
    std::vector<REGSAM> views;
  } rows[] = {
      {PROCESSOR_ARCHITECTURE_INTEL, {0}},
      {PROCESSOR_ARCHITECTURE_AMD64, {KEY_WOW64_64KEY, KEY_WOW64_32KEY}},
  };
  for (const auto& row : rows) {
    auto machine = sim::MachineBuilder().Build();
    machine->facts.nativeArchitecture = row.architecture;
    sim::ScopedMachine installed(*machine);
    REGSAM views[kMaxRegistryViews] = {};
    const int count = GetSoftwareViews(views);
    ASSERT_LE(count, static_cast<int>(kMaxRegistryViews));
    EXPECT_EQ(row.views, std::vector<REGSAM>(views, views + count)) << row.architecture;
  }
}

}  // namespace
