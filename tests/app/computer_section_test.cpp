// The computer section, byte for byte, as the report writer puts it into the file.
#include <gtest/gtest.h>

#include <string>

#include "app/globals.h"
#include "app/sections.h"
#include "platform/sim/builder.h"
#include "report/sorvik_out.h"
#include "sysid/os_info.h"
#include "sysid/pc_fetcher.h"
#include "tests/report/host_folder.h"

namespace {

const char kDeclaration[] = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

// Writes the section of `machine` into a fresh report and returns what follows the
// declaration.
std::string SectionOf(sim::Machine& machine, bool* result = nullptr) {
  HostFolder folder;
  machine.facts.driveFolders['C'] = folder.path();
  sim::ScopedMachine installed(machine);

  CSorvikOut out;
  CPcFetcher identity;
  COsInfo os;
  g_pOut = &out;
  g_pPcFetcher = &identity;
  g_pOsInfo = &os;
  EXPECT_TRUE(out.OpenFile("C:\\report.xml"));
  bool written = WriteComputerSection();
  out.CloseFile();
  g_pOut = nullptr;
  g_pPcFetcher = nullptr;
  g_pOsInfo = nullptr;
  if (result != nullptr) *result = written;

  std::string bytes = folder.Read("report.xml");
  std::string declaration(kDeclaration);
  EXPECT_EQ(bytes.substr(0, declaration.size()), declaration);
  EXPECT_EQ(machine.OpenHandleCount(), 0);
  return bytes.size() < declaration.size() ? bytes : bytes.substr(declaration.size());
}

std::unique_ptr<sim::Machine> TypicalXp() {
  return sim::MachineBuilder()
      .Key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion")
      .String("ProductId", "55274-640-1234567-23456")
      .With([](sim::Facts& f) { f.resolver["officepc"] = {"192.168.0.7"}; })
      .Build();
}

TEST(ComputerSection, TypicalXpMachine) {
  auto machine = TypicalXp();
  bool result = false;
  EXPECT_EQ(SectionOf(*machine, &result),
            "<computer>\r\n"
            "\t<ip>192.168.0.7</ip>\r\n"
            "\t<computerName>OFFICE-PC</computerName>\r\n"
            "\t<userName>anna</userName>\r\n"
            "\t<os>\r\n"
            "\t\t<fullName>Windows XP Professional Service Pack 2</fullName>\r\n"
            "\t\t<productId>55274-640-1234567-23456</productId>\r\n"
            "\t\t<getVersionEx>\r\n"
            "\t\t\t<majorVersion>5</majorVersion>\r\n"
            "\t\t\t<minorVersion>1</minorVersion>\r\n"
            "\t\t\t<platformId>2</platformId>\r\n"
            "\t\t\t<csdVersion>Service Pack 2</csdVersion>\r\n"
            "\t\t</getVersionEx>\r\n"
            "\t</os>\r\n"
            "</computer>\r\n");
  EXPECT_TRUE(result);
}

TEST(ComputerSection, EveryCollectorFailingGivesTheEmptyForms) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.resolver.clear();
                       f.computerNameWorks = false;
                       f.userNameWorks = false;
                       f.versionWorks = false;
                       f.extendedVersionWorks = false;
                     })
                     .Build();
  EXPECT_EQ(SectionOf(*machine),
            "<computer>\r\n"
            "\t<ip />\r\n"
            "\t<computerName />\r\n"
            "\t<userName />\r\n"
            "\t<os>\r\n"
            "\t\t<fullName />\r\n"
            "\t\t<productId />\r\n"
            "\t\t<getVersionEx>\r\n"
            "\t\t\t<majorVersion>0</majorVersion>\r\n"
            "\t\t\t<minorVersion>0</minorVersion>\r\n"
            "\t\t\t<platformId>0</platformId>\r\n"
            "\t\t\t<csdVersion />\r\n"
            "\t\t</getVersionEx>\r\n"
            "\t</os>\r\n"
            "</computer>\r\n");
}

TEST(ComputerSection, NamesAreEscapedAndAnEmptyServicePackIsTheEmptyForm) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.hostName = std::string(50, 'h');  // too long: no address
                       f.resolver[f.hostName] = {"10.0.0.1"};
                       f.computerName = "R&D-PC";
                       f.userName = "o'brien <admin>";
                       f.majorVersion = 5;
                       f.minorVersion = 0;
                       f.csdVersion = "";
                       f.productType = VER_NT_SERVER;
                       f.suiteMask = VER_SUITE_ENTERPRISE;
                     })
                     .Build();
  EXPECT_EQ(SectionOf(*machine),
            "<computer>\r\n"
            "\t<ip />\r\n"
            "\t<computerName>R&amp;D-PC</computerName>\r\n"
            "\t<userName>o&apos;brien &lt;admin&gt;</userName>\r\n"
            "\t<os>\r\n"
            "\t\t<fullName>Windows 2000 Advanced Server </fullName>\r\n"
            "\t\t<productId />\r\n"
            "\t\t<getVersionEx>\r\n"
            "\t\t\t<majorVersion>5</majorVersion>\r\n"
            "\t\t\t<minorVersion>0</minorVersion>\r\n"
            "\t\t\t<platformId>2</platformId>\r\n"
            "\t\t\t<csdVersion />\r\n"
            "\t\t</getVersionEx>\r\n"
            "\t</os>\r\n"
            "</computer>\r\n");
}

// The numbers are signed as the record's fields are read; the widest still fits.
TEST(ComputerSection, VersionNumbersAreWrittenWhole) {
  auto machine = sim::MachineBuilder()
                     .With([](sim::Facts& f) {
                       f.resolver["officepc"] = {"192.168.0.7"};
                       f.platformId = 0x80000000u;
                       f.majorVersion = 0xFFFFFFFFu;
                       f.minorVersion = 2147483647u;
                       f.csdVersion = "x";
                     })
                     .Build();
  std::string section = SectionOf(*machine);
  EXPECT_NE(section.find("\t\t<fullName />\r\n"), std::string::npos);
  EXPECT_NE(section.find("\t\t\t<majorVersion>-1</majorVersion>\r\n"), std::string::npos);
  EXPECT_NE(section.find("\t\t\t<minorVersion>2147483647</minorVersion>\r\n"), std::string::npos);
  EXPECT_NE(section.find("\t\t\t<platformId>-2147483648</platformId>\r\n\t\t\t<csdVersion>x<"),
            std::string::npos);
}

TEST(ComputerSection, ReturnsFalseWhenTheReportIsNotOpen) {
  auto machine = TypicalXp();
  sim::ScopedMachine installed(*machine);
  CSorvikOut out;
  CPcFetcher identity;
  COsInfo os;
  g_pOut = &out;
  g_pPcFetcher = &identity;
  g_pOsInfo = &os;
  EXPECT_FALSE(WriteComputerSection());
  g_pOut = nullptr;
  g_pPcFetcher = nullptr;
  g_pOsInfo = nullptr;
  EXPECT_EQ(machine->OpenHandleCount(), 0);
}

}  // namespace
