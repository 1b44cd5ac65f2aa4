// CPcFetcher: the socket library, the address and names; their limits are in the fixtures.
#include "sysid/pc_fetcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/sim/builder.h"

namespace {

TEST(PcFetcher, StartsTheSocketLibraryOnceAndStopsItOnceEvenIfItDidNotStart) {
  for (bool starts : {true, false}) {
    auto machine = sim::MachineBuilder().Build();
    machine->facts.socketsStart = starts;
    sim::ScopedMachine installed(*machine);
    auto fetcher = std::make_unique<CPcFetcher>();
    EXPECT_EQ(machine->calls["WSAStartup"] * 10 + machine->calls["WSACleanup"], 10);
    fetcher.reset();
    EXPECT_EQ(machine->calls["WSACleanup"], 1);
    EXPECT_EQ(machine->socketStarts, 0);
  }
}

// The address is the first of the resolver's list; the names need no socket library. Each
// failure leaves the caller's buffer alone.
TEST(PcFetcher, AnswersWhatThePlatformHasOrNothing) {
  auto machine = sim::MachineBuilder().Build();
  machine->facts.resolver["officepc"] = {"10.1.2.3", "192.168.0.7"};
  sim::ScopedMachine installed(*machine);
  char ip[16] = "", pc[16] = "", user[16] = "";
  EXPECT_TRUE(CPcFetcher().GetIp(ip, 15));
  machine->facts.socketsStart = false;
  EXPECT_TRUE(CPcFetcher().GetPcName(pc, 15));
  EXPECT_TRUE(CPcFetcher().GetUser(user, 15));
  EXPECT_EQ(std::string(ip) + ";" + pc + ";" + user, "10.1.2.3;OFFICE-PC;anna");

  EXPECT_FALSE(CPcFetcher().GetIp(ip, 15));
  machine->facts.socketsStart = true;
  machine->facts.resolver.clear();
  machine->facts.computerNameWorks = machine->facts.userNameWorks = false;
  CPcFetcher fetcher;
  EXPECT_FALSE(fetcher.GetIp(ip, 15) || fetcher.GetPcName(pc, 15) || fetcher.GetUser(user, 15));
  EXPECT_EQ(std::string(ip) + ";" + pc + ";" + user, "10.1.2.3;OFFICE-PC;anna");
}

}  // namespace
