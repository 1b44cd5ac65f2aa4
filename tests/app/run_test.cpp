#include "app/run.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/globals.h"
#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_2003.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "platform/sim/builder.h"
#include "report/sorvik_out.h"
#include "software/sw_fetcher.h"
#include "software/sw_fetcher_vista.h"
#include "software/sw_info.h"
#include "sysid/os_info.h"
#include "sysid/pc_fetcher.h"
#include "tests/report/host_folder.h"

namespace {

const std::string kReportName = "10.1.2.3;PC1;bob.xml";
const std::string kHead =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<sorvik version=\"3.0.1\" creationDateTime=\"2007/05/01 09:05:07\">\r\n";
const std::string kTail = "</sorvik>\r\n";

// A computer with address 10.1.2.3, name PC1 and user bob, the program in C:\sorvik.
class RunTest : public ::testing::Test {
 protected:
  RunTest() {
    folder_.MakeFolder("sorvik");
    folder_.MakeFolder("TEMP");
    folder_.MakeFolder("out");
    machine_ = sim::MachineBuilder()
                   .With([&](sim::Facts& f) {
                     f.driveFolders['C'] = folder_.path();
                     f.hostName = "pc1host";
                     f.resolver["pc1host"] = {"10.1.2.3"};
                     f.computerName = "PC1";
                     f.userName = "bob";
                     f.modulePath = "C:\\sorvik\\sorvik.exe";
                     f.tempPath = "C:\\TEMP\\";
                   })
                   .Build();
    installed_.reset(new sim::ScopedMachine(*machine_));
  }

  // Runs the program; every run leaves no key open, no object and no temporary file.
  void Run(const std::string& commandLine) {
    EXPECT_EQ(0, SorvikMain(commandLine.c_str()));
    EXPECT_EQ(0, machine_->OpenHandleCount()) << commandLine;
    EXPECT_EQ(nullptr, g_pOut);
    EXPECT_EQ(nullptr, g_pHwFetcher);
    EXPECT_EQ(std::vector<std::string>{}, folder_.List("TEMP")) << commandLine;
  }

  void ExpectReportAt(const std::string& relative) {
    std::string report = folder_.Read(relative);
    EXPECT_EQ(kHead, report.substr(0, kHead.size())) << relative;
    ASSERT_GE(report.size(), kHead.size() + kTail.size()) << relative;
    EXPECT_EQ(kTail, report.substr(report.size() - kTail.size())) << relative;
  }

  // The names of the report files in the three folders a report may go to.
  std::vector<std::string> Reports() {
    std::vector<std::string> all;
    for (const char* folder : {"", "sorvik", "out"}) {
      for (const std::string& name : folder_.List(folder)) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) all.push_back(name);
      }
    }
    return all;
  }

  void RemoveReports() {
    for (const char* folder : {"", "sorvik", "out"}) {
      for (const std::string& name : folder_.List(folder)) {
        std::string relative = *folder ? std::string(folder) + "/" + name : name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) {
          std::filesystem::remove(folder_.At(relative));
        }
      }
    }
  }

  HostFolder folder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

TEST_F(RunTest, TheHelpSwitchOpensTheManualAndWritesNothing) {
  for (const char* commandLine : {"/h", "/device /hardware", "/out:\"C:/home/r.xml\""}) {
    machine_->shellCalls.clear();
    Run(commandLine);
    ASSERT_EQ(1u, machine_->shellCalls.size()) << commandLine;
    const sim::ShellCall& call = machine_->shellCalls[0];
    EXPECT_EQ("open", call.operation);
    EXPECT_EQ(kManualAddress, call.file);
    EXPECT_EQ(0u, call.file.find("http://"));
    EXPECT_NE(std::string::npos, call.file.find("/sorvik/manual/"));
    EXPECT_EQ("", call.parameters);
    EXPECT_EQ("", call.directory);
    EXPECT_EQ(SW_SHOWNORMAL, call.showCommand);
  }
  EXPECT_EQ(std::vector<std::string>{}, Reports());
  EXPECT_EQ(0, machine_->calls["WSAStartup"]);
}

TEST_F(RunTest, WithoutArgumentsTheReportGoesNextToTheProgram) {
  Run("");
  EXPECT_TRUE(machine_->shellCalls.empty());
  EXPECT_EQ(std::vector<std::string>{kReportName}, Reports());
  ExpectReportAt("sorvik/" + kReportName);
  Run("/H");  // not the help switch
  EXPECT_TRUE(machine_->shellCalls.empty());
  ExpectReportAt("sorvik/10.1.2.3;PC1;bob(2).xml");
}

TEST_F(RunTest, TheOutputArgumentChoosesTheReportPath) {
  struct Case {
    const char* commandLine;
    std::string report;
  } cases[] = {
      {"/out:\"C:\\out\\r.xml\"", "out/r.xml"},
      {"/device /out:\"C:\\out\\\" /software", "out/" + kReportName},
      {"/out:\"C:\\\"", kReportName},                      // 10 characters: used
      {"/out:\"C:\\out\\u.xml", "sorvik/" + kReportName},  // no closing quote: ignored
      {"/out:\"\" /device", "sorvik/" + kReportName},      // empty: the default
  };
  for (const Case& c : cases) {
    Run(c.commandLine);
    EXPECT_EQ(std::vector<std::string>{c.report.substr(c.report.rfind('/') + 1)}, Reports())
        << c.commandLine;
    ExpectReportAt(c.report);
    RemoveReports();
  }
}

TEST_F(RunTest, AReportThatCannotBeOpenedLeavesNothingBehind) {
  Run("/out:\"C:\\nowhere\\r.xml\"");
  EXPECT_FALSE(folder_.Exists("nowhere"));
  EXPECT_EQ(std::vector<std::string>{}, Reports());
}

TEST_F(RunTest, TheSwitchesSelectTheSections) {
  struct Case {
    const char* commandLine;
    const char* report;
    bool device;
    bool software;
  } cases[] = {
      {"/out:\"C:\\out\\all.xml\"", "out/all.xml", true, true},
      {"/out:\"C:\\out\\d.xml\" /devices", "out/d.xml", true, false},
      {"/out:\"C:\\out\\s.xml\" /software", "out/s.xml", false, true},
      {"/out:\"D:/software/r.xml\"", "out/software/r.xml", false, true},
  };
  folder_.MakeFolder("out/software");
  machine_->facts.driveFolders['D'] = folder_.At("out");
  for (const Case& c : cases) {
    Run(c.commandLine);
    std::string report = folder_.Read(c.report);
    ASSERT_EQ(kHead, report.substr(0, kHead.size())) << c.commandLine;
    EXPECT_NE(std::string::npos, report.find("<computer>\r\n")) << c.commandLine;
    EXPECT_EQ(c.device, report.find("<device>\r\n") != std::string::npos) << c.commandLine;
    EXPECT_EQ(c.software, report.find("<software>\r\n") != std::string::npos) << c.commandLine;
    EXPECT_EQ(c.software, report.find("<statistics>\r\n") != std::string::npos) << c.commandLine;
  }
}

struct Generation {
  const char* name;
  DWORD platformId, majorVersion, minorVersion;
  int code;
  const std::type_info& hardware;
  const std::type_info& software;
};

const Generation kGenerations[] = {
    {"Win32s", VER_PLATFORM_WIN32s, 3, 10, kOsWin32s, typeid(CHwFetcherXp), typeid(CSwFetcher)},
    {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, kOsWin95, typeid(CHwFetcherXp),
     typeid(CSwFetcher)},
    {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, kOsWin98, typeid(CHwFetcherXp),
     typeid(CSwFetcher)},
    {"Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90, kOsWinMe, typeid(CHwFetcherXp),
     typeid(CSwFetcher)},
    {"NT 4.0", VER_PLATFORM_WIN32_NT, 4, 0, kOsNt4, typeid(CHwFetcherXp), typeid(CSwFetcher)},
    {"Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0, kOsWin2000, typeid(CHwFetcher2000),
     typeid(CSwFetcher)},
    {"Windows XP", VER_PLATFORM_WIN32_NT, 5, 1, kOsWinXp, typeid(CHwFetcherXp), typeid(CSwFetcher)},
    {"Server 2003", VER_PLATFORM_WIN32_NT, 5, 2, kOsServer2003, typeid(CHwFetcher2003),
     typeid(CSwFetcher)},
    {"Vista", VER_PLATFORM_WIN32_NT, 6, 0, kOsVista, typeid(CHwFetcherVista),
     typeid(CSwFetcherVista)},
    {"Windows 7", VER_PLATFORM_WIN32_NT, 6, 1, kOsVista, typeid(CHwFetcherVista),
     typeid(CSwFetcherVista)},
};

TEST(CreateObjects, ChoosesTheFetchersByGeneration) {
  for (const Generation& g : kGenerations) {
    auto machine = sim::MachineBuilder()
                       .With([&](sim::Facts& f) {
                         f.platformId = g.platformId;
                         f.majorVersion = g.majorVersion;
                         f.minorVersion = g.minorVersion;
                         f.extendedVersionWorks =
                             g.platformId == VER_PLATFORM_WIN32_NT && g.majorVersion >= 5;
                       })
                       .Build();
    sim::ScopedMachine installed(*machine);
    ASSERT_TRUE(CreateObjects()) << g.name;
    EXPECT_EQ(g.code, g_pOsInfo->GetOsGeneration()) << g.name;
    EXPECT_EQ(typeid(CSorvikOut), typeid(*g_pOut));
    EXPECT_EQ(typeid(CPcFetcher), typeid(*g_pPcFetcher));
    EXPECT_EQ(typeid(SWInfo), typeid(*g_pSwInfo));
    EXPECT_EQ(g.hardware, typeid(*g_pHwFetcher)) << g.name;
    EXPECT_EQ(g.software, typeid(*g_pSwFetcher)) << g.name;
    DestroyObjects();
    EXPECT_EQ(nullptr, g_pOut);
    EXPECT_EQ(nullptr, g_pPcFetcher);
    EXPECT_EQ(nullptr, g_pSwInfo);
    EXPECT_EQ(nullptr, g_pOsInfo);
    EXPECT_EQ(nullptr, g_pSwFetcher);
    EXPECT_EQ(nullptr, g_pHwFetcher);
    EXPECT_EQ(machine->calls["WSAStartup"], machine->calls["WSACleanup"]) << g.name;
  }
}

TEST(CreateObjects, AnUnknownVersionGetsTheXpFetchers) {
  auto machine = sim::MachineBuilder().With([](sim::Facts& f) { f.versionWorks = false; }).Build();
  sim::ScopedMachine installed(*machine);
  ASSERT_TRUE(CreateObjects());
  EXPECT_EQ(typeid(CHwFetcherXp), typeid(*g_pHwFetcher));
  EXPECT_EQ(typeid(CSwFetcher), typeid(*g_pSwFetcher));
  DestroyObjects();
}

}  // namespace
