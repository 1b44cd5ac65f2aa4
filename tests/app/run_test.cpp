// The run: the help switch, the collectors by OS generation, the record file's short life.
#include "app/run.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <typeinfo>

#include "app/globals.h"
#include "app/sections.h"
#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_2003.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "platform/sim/builder.h"
#include "report/sorvik_out.h"
#include "software/sw_fetcher_vista.h"
#include "tests/report/host_folder.h"

namespace {

// Report paths, sections and the exit status of whole runs are in the fixtures' expected runs.
TEST(Run, TheHelpSwitchOpensTheManualAndNothingElse) {
  auto machine = sim::MachineBuilder().Build();
  sim::ScopedMachine installed(*machine);
  EXPECT_EQ(0, SorvikMain("/device /h"));
  ASSERT_EQ(1u, machine->shellCalls.size());
  const sim::ShellCall& call = machine->shellCalls[0];
  EXPECT_EQ("open|http://sorvik.example.org/sorvik/manual/||",
            call.operation + "|" + call.file + "|" + call.parameters + "|" + call.directory);
  EXPECT_EQ(SW_SHOWNORMAL, call.showCommand);
  EXPECT_EQ(0, machine->calls["WSAStartup"] + machine->calls["GetVersionExA"]);
}

// The 9x and NT 4 generations get the XP collectors; each generation is told in os_info_test.
TEST(Run, TheCollectorsByGeneration) {
  const std::tuple<DWORD, DWORD, const std::type_info&, const std::type_info&> rows[] = {
      {4, 0, typeid(CHwFetcherXp), typeid(CSwFetcher)},
      {5, 0, typeid(CHwFetcher2000), typeid(CSwFetcher)},
      {5, 2, typeid(CHwFetcher2003), typeid(CSwFetcher)},
      {6, 0, typeid(CHwFetcherVista), typeid(CSwFetcherVista)},
  };
  for (const auto& [major, minor, hardware, software] : rows) {
    auto machine = sim::MachineBuilder().Build();
    machine->facts.majorVersion = major;
    machine->facts.minorVersion = minor;
    sim::ScopedMachine installed(*machine);
    ASSERT_TRUE(CreateObjects());
    EXPECT_EQ(hardware, typeid(*g_pHwFetcher)) << major;
    EXPECT_EQ(software, typeid(*g_pSwFetcher)) << major;
    DestroyObjects();
    EXPECT_TRUE(!g_pOut && !g_pPcFetcher && !g_pSwInfo && !g_pOsInfo && !g_pSwFetcher &&
                !g_pHwFetcher && !g_pSystemInfo);
    EXPECT_EQ(machine->calls["WSAStartup"], machine->calls["WSACleanup"]);
  }
}

// The record file is read by then: it goes at once, not with the report at the end.
TEST(Run, TheSoftwareSectionDeletesTheRecordFileItRead) {
  HostFolder folder;
  for (const char* name : {"sorvik", "TEMP", "out"}) folder.MakeFolder(name);
  auto machine = sim::MachineBuilder()
                     .Key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Editor")
                     .String("DisplayName", "Editor")
                     .Build();
  machine->facts.driveFolders['C'] = folder.path();
  sim::ScopedMachine installed(*machine);
  ASSERT_TRUE(CreateObjects());
  char argument[] = "C:\\out\\r.xml";
  ASSERT_TRUE(g_pOut->OpenReport(g_pPcFetcher, argument));
  ASSERT_EQ(1u, folder.List("TEMP").size());
  WriteSoftwareSection();
  EXPECT_EQ(1, ApplicationCount);
  EXPECT_TRUE(folder.List("TEMP").empty());
  EXPECT_EQ('\0', g_pOut->TempFilePath()[0]);
  g_pOut->CloseReport();
  DestroyObjects();
}

}  // namespace
