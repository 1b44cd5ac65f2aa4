// Computer and user names with XML's special characters, empty ones, and host names at the
// 50-character limit of the address lookup.
#include <gtest/gtest.h>

#include <string>

#include "tests/robust/hostile_machine.h"

namespace robust {
namespace {

TEST(HostileIdentity, XmlSpecialsInTheNamesAreEscaped) {
  HostileMachine m;
  m.builder().With([](sim::Facts& f) {
    f.computerName = "<PC&\"'>";
    f.userName = "O'Brien & <Co> \"Ltd\"";
  });
  Report report = m.Run("/software /out:\"C:\\out\\report.xml\"");
  EXPECT_EQ("<PC&\"'>", report.Value("computerName"));
  EXPECT_EQ("O'Brien & <Co> \"Ltd\"", report.Value("userName"));
  EXPECT_NE(std::string::npos,
            report.bytes().find("\t<computerName>&lt;PC&amp;&quot;&apos;&gt;</computerName>\r\n"));
}

// The names go into the report's file name unchanged; "&" and "'" are valid there on Windows.
TEST(HostileIdentity, NamesWithAmpersandAndApostropheNameTheReportFile) {
  HostileMachine m;
  m.builder().With([](sim::Facts& f) {
    f.computerName = "R&D-PC";
    f.userName = "o'brien&co";
  });
  Report report = m.Run("");
  EXPECT_EQ("sorvik/10.9.8.7;R&D-PC;o'brien&co.xml", m.lastReportPath());
  EXPECT_EQ("R&D-PC", report.Value("computerName"));
}

TEST(HostileIdentity, EmptyNamesStillNameTheReportFile) {
  HostileMachine m;
  m.builder().With([](sim::Facts& f) {
    f.computerName = "";
    f.userName = "";
  });
  Report report = m.Run("/device");
  EXPECT_EQ("sorvik/10.9.8.7;;.xml", m.lastReportPath());
  EXPECT_EQ("", report.Value("computerName"));
  EXPECT_EQ("", report.Value("userName"));
}

// A host name of 49 characters still fits the lookup's area of 50; one of 50 does not, so the
// address is missing from the report and from the file name.
TEST(HostileIdentity, HostNamesOf49And50Characters) {
  struct Case {
    size_t length;
    const char* ip;
    const char* reportPath;
  } cases[] = {
      {49, "10.9.8.7", "sorvik/10.9.8.7;ROBUST-PC;tester.xml"},
      {50, "", "sorvik/;ROBUST-PC;tester.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    HostileMachine m;
    std::string host = Filler("host-", c.length);
    m.builder().With([&](sim::Facts& f) {
      f.hostName = host;
      f.resolver[host] = {"10.9.8.7"};
    });
    Report report = m.Run("/software");
    EXPECT_EQ(c.ip, report.Value("ip"));
    EXPECT_EQ(c.reportPath, m.lastReportPath());
  }
}

}  // namespace
}  // namespace robust
