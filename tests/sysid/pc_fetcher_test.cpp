// CPcFetcher over simulated machines: the socket library's lifetime, the address, the computer
// and user names, their limits and failures.
#include "sysid/pc_fetcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/builder.h"

namespace {

TEST(PcFetcher, StartsTheSocketLibraryOnceAndStopsItOnceEvenIfItDidNotStart) {
  for (bool starts : {true, false}) {
    auto machine =
        sim::MachineBuilder().With([&](sim::Facts& f) { f.socketsStart = starts; }).Build();
    sim::ScopedMachine installed(*machine);
    {
      CPcFetcher fetcher;
      EXPECT_EQ(machine->calls["WSAStartup"], 1);
      EXPECT_EQ(machine->calls["WSACleanup"], 0);
    }
    EXPECT_EQ(machine->calls["WSACleanup"], 1);
    EXPECT_EQ(machine->socketStarts, 0);
  }
}

// The first address of the resolver's list, for a host name under 50 characters; a failure
// leaves the caller's buffer alone.
TEST(PcFetcher, TheAddressIsTheResolversFirst) {
  struct Row {
    std::string host;
    bool socketsStart;
    const char* expected;  // nullptr: fails
  } rows[] = {{"officepc", true, "10.1.2.3"},
              {std::string(49, 'h'), true, "10.1.2.3"},
              {std::string(50, 'h'), true, nullptr},
              {"otherpc", true, nullptr},
              {"officepc", false, nullptr}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.host);
    auto machine = sim::MachineBuilder()
                       .With([&](sim::Facts& f) {
                         f.hostName = row.host == "otherpc" ? "officepc" : row.host;
                         f.resolver[row.host] = {"10.1.2.3", "192.168.0.7"};
                         f.socketsStart = row.socketsStart;
                       })
                       .Build();
    sim::ScopedMachine installed(*machine);
    char ip[32] = "before";
    EXPECT_EQ(CPcFetcher().GetIp(ip, 31), row.expected != nullptr);
    EXPECT_STREQ(ip, row.expected != nullptr ? row.expected : "before");
  }
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) { f.resolver["officepc"] = {"192.168.100.200"}; })
                     .Build();
  sim::ScopedMachine installed(*machine);
  char ip[8];
  std::memset(ip, '#', sizeof(ip));
  EXPECT_TRUE(CPcFetcher().GetIp(ip, 7));
  EXPECT_EQ(std::string(ip, 8), "192.168#");
}

// As the platform has them, without the socket library too; a name of 512 characters does not
// fit the work area and fails like a refusal of the platform.
TEST(PcFetcher, TheNamesAreThePlatformsOrNothing) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.socketsStart = false;
                       f.userName = std::string(511, 'u');
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CPcFetcher fetcher;
  char pc[6], user[600];
  std::memset(pc, '#', sizeof(pc));
  std::memset(user, 0, sizeof(user));
  EXPECT_TRUE(fetcher.GetPcName(pc, 5));
  EXPECT_EQ(std::string(pc, 6), "OFFIC#");
  EXPECT_TRUE(fetcher.GetUser(user, 599));
  EXPECT_EQ(std::string(user), machine->facts.userName);

  machine->facts.computerNameWorks = false;
  machine->facts.userName += "u";
  EXPECT_FALSE(fetcher.GetPcName(pc, 5));
  EXPECT_FALSE(fetcher.GetUser(user, 599));
  EXPECT_EQ(std::string(pc, 6), "OFFIC#");
  EXPECT_EQ(std::string(user), std::string(511, 'u'));
  machine->facts.userNameWorks = false;
  machine->facts.userName = "anna";
  EXPECT_FALSE(fetcher.GetUser(user, 599));
}

}  // namespace
