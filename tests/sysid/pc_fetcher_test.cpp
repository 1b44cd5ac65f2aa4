// CPcFetcher over simulated machines: the socket library's lifetime, the address from the
// resolver, and the computer and user names, with their failures.
#include "sysid/pc_fetcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/builder.h"

namespace {

// A caller's buffer: capacity plus terminator, zero-filled, with a recognisable content that
// a failed query must leave alone.
struct Output {
  char text[2048 + 1];
  explicit Output(const char* before = "") {
    std::memset(text, 0, sizeof(text));
    std::strcpy(text, before);
  }
};

std::unique_ptr<sim::Machine> Resolving(const std::string& host,
                                        std::vector<std::string> addresses) {
  return sim::MachineBuilder()
      .With([&](sim::Facts& f) {
        f.hostName = host;
        f.resolver[host] = addresses;
      })
      .Build();
}

TEST(PcFetcher, StartsTheSocketLibraryOnceAndStopsItOnce) {
  auto machine = sim::MachineBuilder().Build();
  sim::ScopedMachine installed(*machine);
  {
    CPcFetcher fetcher;
    EXPECT_EQ(machine->calls["WSAStartup"], 1);
    EXPECT_EQ(machine->socketStarts, 1);
    EXPECT_EQ(machine->calls["WSACleanup"], 0);
  }
  EXPECT_EQ(machine->calls["WSACleanup"], 1);
  EXPECT_EQ(machine->socketStarts, 0);
}

TEST(PcFetcher, StopsTheSocketLibraryEvenWhenItDidNotStart) {
  auto machine = sim::MachineBuilder().With([](sim::Facts& f) { f.socketsStart = false; }).Build();
  sim::ScopedMachine installed(*machine);
  { CPcFetcher fetcher; }
  EXPECT_EQ(machine->calls["WSACleanup"], 1);
}

TEST(PcFetcherIp, IsTheFirstAddressOfTheResolversList) {
  struct Row {
    std::vector<std::string> addresses;
    const char* expected;
  } rows[] = {
      {{"192.168.0.7"}, "192.168.0.7"},
      {{"10.1.2.3", "192.168.0.7"}, "10.1.2.3"},
      {{"127.0.0.1", "192.168.0.7"}, "127.0.0.1"},
      {{"255.255.255.255"}, "255.255.255.255"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    auto machine = Resolving("officepc", row.addresses);
    sim::ScopedMachine installed(*machine);
    CPcFetcher fetcher;
    Output ip;
    EXPECT_TRUE(fetcher.GetIp(ip.text, 2048));
    EXPECT_STREQ(ip.text, row.expected);
  }
}

TEST(PcFetcherIp, AHostNameOf49CharactersWorksAndOneOf50Fails) {
  std::string name49(49, 'h');
  std::string name50(50, 'h');
  {
    auto machine = Resolving(name49, {"10.0.0.5"});
    sim::ScopedMachine installed(*machine);
    CPcFetcher fetcher;
    Output ip;
    EXPECT_TRUE(fetcher.GetIp(ip.text, 2048));
    EXPECT_STREQ(ip.text, "10.0.0.5");
  }
  {
    auto machine = Resolving(name50, {"10.0.0.5"});
    sim::ScopedMachine installed(*machine);
    CPcFetcher fetcher;
    Output ip("before");
    EXPECT_FALSE(fetcher.GetIp(ip.text, 2048));
    EXPECT_STREQ(ip.text, "before");
    EXPECT_EQ(machine->calls["gethostbyname"], 0);
  }
}

TEST(PcFetcherIp, FailsAndLeavesTheOutputAloneWithoutAnAddress) {
  struct Row {
    const char* label;
    void (*change)(sim::Facts&);
  } rows[] = {
      {"name not resolvable", [](sim::Facts& f) { f.resolver.clear(); }},
      {"resolver knows another host",
       [](sim::Facts& f) {
         f.resolver.clear();
         f.resolver["otherpc"] = {"1.2.3.4"};
       }},
      {"socket library did not start", [](sim::Facts& f) { f.socketsStart = false; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    auto machine = sim::MachineBuilder()
                       .With([](sim::Facts& f) { f.resolver["officepc"] = {"192.168.0.7"}; })
                       .With(row.change)
                       .Build();
    sim::ScopedMachine installed(*machine);
    CPcFetcher fetcher;
    Output ip("before");
    EXPECT_FALSE(fetcher.GetIp(ip.text, 2048));
    EXPECT_STREQ(ip.text, "before");
  }
}

TEST(PcFetcherIp, IsCutToTheCapacity) {
  auto machine = Resolving("officepc", {"192.168.100.200"});
  sim::ScopedMachine installed(*machine);
  CPcFetcher fetcher;
  char ip[8];
  std::memset(ip, '#', sizeof(ip));
  EXPECT_TRUE(fetcher.GetIp(ip, 7));
  EXPECT_EQ(std::string(ip, 8), "192.168#");
}

TEST(PcFetcherNames, AreReportedAsThePlatformHasThem) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.computerName = "R&D-PC";
                       f.userName = "o'brien & co";
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CPcFetcher fetcher;
  Output pc, user;
  EXPECT_TRUE(fetcher.GetPcName(pc.text, 2048));
  EXPECT_TRUE(fetcher.GetUser(user.text, 2048));
  EXPECT_STREQ(pc.text, "R&D-PC");
  EXPECT_STREQ(user.text, "o'brien & co");
}

TEST(PcFetcherNames, WorkWithoutTheSocketLibrary) {
  auto machine = sim::MachineBuilder().With([](sim::Facts& f) { f.socketsStart = false; }).Build();
  sim::ScopedMachine installed(*machine);
  CPcFetcher fetcher;
  Output pc, user;
  EXPECT_TRUE(fetcher.GetPcName(pc.text, 2048));
  EXPECT_TRUE(fetcher.GetUser(user.text, 2048));
  EXPECT_STREQ(pc.text, "OFFICE-PC");
  EXPECT_STREQ(user.text, "anna");
}

TEST(PcFetcherNames, FailuresLeaveTheOutputAlone) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.computerNameWorks = false;
                       f.userNameWorks = false;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CPcFetcher fetcher;
  Output pc("before"), user("before");
  EXPECT_FALSE(fetcher.GetPcName(pc.text, 2048));
  EXPECT_FALSE(fetcher.GetUser(user.text, 2048));
  EXPECT_STREQ(pc.text, "before");
  EXPECT_STREQ(user.text, "before");
}

TEST(PcFetcherNames, AUserNameOf511CharactersFitsTheWorkBufferAndOneOf512DoesNot) {
  for (size_t length : {511u, 512u}) {
    SCOPED_TRACE(length);
    std::string name(length, 'u');
    auto machine =
        sim::MachineBuilder().With([&name](sim::Facts& f) { f.userName = name; }).Build();
    sim::ScopedMachine installed(*machine);
    CPcFetcher fetcher;
    Output user;
    EXPECT_EQ(fetcher.GetUser(user.text, 2048), length == 511);
    EXPECT_EQ(std::string(user.text), length == 511 ? name : "");
  }
}

TEST(PcFetcherNames, AreCutToTheCapacity) {
  auto machine = sim::MachineBuilder().Build();
  sim::ScopedMachine installed(*machine);
  CPcFetcher fetcher;
  char pc[6];
  std::memset(pc, '#', sizeof(pc));
  EXPECT_TRUE(fetcher.GetPcName(pc, 5));
  EXPECT_EQ(std::string(pc, 6), "OFFIC#");
}

TEST(PcFetcher, AsksThePlatformAnewOnEveryCall) {
  auto machine = Resolving("officepc", {"192.168.0.7"});
  sim::ScopedMachine installed(*machine);
  CPcFetcher fetcher;
  Output first, second;
  EXPECT_TRUE(fetcher.GetPcName(first.text, 2048));
  machine->facts.computerName = "RENAMED";
  EXPECT_TRUE(fetcher.GetPcName(second.text, 2048));
  EXPECT_STREQ(first.text, "OFFICE-PC");
  EXPECT_STREQ(second.text, "RENAMED");
}

}  // namespace
