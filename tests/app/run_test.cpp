// The run: exit status 0 whatever happens, the help switch, the sections and the report path the
// switches choose, the collectors by OS generation, and nothing left behind.
#include "app/run.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "app/globals.h"
#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_2003.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "platform/sim/builder.h"
#include "software/sw_fetcher_vista.h"
#include "tests/report/host_folder.h"

namespace {

TEST(Run, TheSwitchesChooseWhatIsWrittenAndTheStatusIsAlwaysZero) {
  HostFolder folder;
  for (const char* name : {"sorvik", "TEMP", "out"}) folder.MakeFolder(name);
  auto machine = sim::MachineBuilder()
                     .With([&](sim::Facts& f) { f.driveFolders['C'] = folder.path(); })
                     .Build();
  sim::ScopedMachine installed(*machine);
  const std::tuple<const char*, const char*, const char*> cases[] = {
      // command line, report, the sections it holds besides the computer
      {"/device /out:\"C:\\out\\d.xml\"", "out/d.xml", "<device>"},
      {"/out:\"C:\\out\\s.xml\" /software", "out/s.xml", "<software><statistics>"},
      {"/h /out:\"C:\\out\\h.xml\"", nullptr, ""},
      {"/out:\"C:\\nowhere\\r.xml\"", nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::get<0>(c));
    EXPECT_EQ(0, SorvikMain(std::get<0>(c)));
    EXPECT_EQ(0, machine->OpenHandleCount());
    EXPECT_EQ(nullptr, g_pOut);
    EXPECT_EQ(std::vector<std::string>{}, folder.List("TEMP"));
    if (std::get<1>(c) == nullptr) continue;
    std::string report = folder.Read(std::get<1>(c)), found;
    for (const char* section : {"<computer>", "<device>", "<software>", "<statistics>"})
      if (report.find(std::string(section) + "\r\n") != std::string::npos) found += section;
    EXPECT_EQ(std::string("<computer>") + std::get<2>(c), found);
  }
  EXPECT_EQ((std::vector<std::string>{"d.xml", "s.xml"}), folder.List("out"));
  EXPECT_FALSE(folder.Exists("nowhere"));
  ASSERT_EQ(1u, machine->shellCalls.size());  // the manual, for /h alone
  const sim::ShellCall& call = machine->shellCalls[0];
  EXPECT_EQ("open|http://sorvik.example.org/sorvik/manual/||",
            call.operation + "|" + call.file + "|" + call.parameters + "|" + call.directory);
  EXPECT_EQ(SW_SHOWNORMAL, call.showCommand);
  EXPECT_EQ(3, machine->calls["WSAStartup"]);  // the help run started no collector
}

TEST(Run, TheCollectorsByGeneration) {
  const std::tuple<DWORD, DWORD, DWORD, const std::type_info&, const std::type_info&> rows[] = {
      {VER_PLATFORM_WIN32s, 3, 10, typeid(CHwFetcherXp), typeid(CSwFetcher)},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, typeid(CHwFetcherXp), typeid(CSwFetcher)},
      {VER_PLATFORM_WIN32_NT, 4, 0, typeid(CHwFetcherXp), typeid(CSwFetcher)},
      {VER_PLATFORM_WIN32_NT, 5, 0, typeid(CHwFetcher2000), typeid(CSwFetcher)},
      {VER_PLATFORM_WIN32_NT, 5, 2, typeid(CHwFetcher2003), typeid(CSwFetcher)},
      {VER_PLATFORM_WIN32_NT, 6, 0, typeid(CHwFetcherVista), typeid(CSwFetcherVista)},
  };
  for (const auto& row : rows) {
    auto machine = sim::MachineBuilder()
                       .With([&](sim::Facts& f) {
                         f.platformId = std::get<0>(row);
                         f.majorVersion = std::get<1>(row);
                         f.minorVersion = std::get<2>(row);
                       })
                       .Build();
    sim::ScopedMachine installed(*machine);
    ASSERT_TRUE(CreateObjects());
    EXPECT_EQ(std::get<3>(row), typeid(*g_pHwFetcher)) << std::get<1>(row);
    EXPECT_EQ(std::get<4>(row), typeid(*g_pSwFetcher)) << std::get<1>(row);
    DestroyObjects();
    EXPECT_EQ(nullptr, g_pPcFetcher);
    EXPECT_EQ(nullptr, g_pSwInfo);
    EXPECT_EQ(nullptr, g_pOsInfo);
    EXPECT_EQ(nullptr, g_pSwFetcher);
    EXPECT_EQ(nullptr, g_pHwFetcher);
    EXPECT_EQ(machine->calls["WSAStartup"], machine->calls["WSACleanup"]);
  }
}

}  // namespace
