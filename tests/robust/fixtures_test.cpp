// The committed hostile profiles (tests/fixtures/hostile-*), small enough to import into Wine
// as well, replayed with what each must show.
#include <gtest/gtest.h>

#include <string>

#include "tests/robust/encoding.h"
#include "tests/robust/hostile_machine.h"

namespace robust {
namespace {

TEST(HostileFixtures, Cp1251MachineWritesItsCyrillicAsUtf8) {
  HostileMachine m;
  std::string error;
  ASSERT_TRUE(m.LoadFixture("hostile-cp1251", &error)) << error;
  Report report = m.Run("");
  // The file name keeps the names' own bytes, as the ANSI file functions take them.
  EXPECT_EQ("sorvik/10.20.30.40;" + Cp1251(u8"БУХГАЛТЕРИЯ") + ";" + Cp1251(u8"Иван") + ".xml",
            m.lastReportPath());
  EXPECT_EQ(u8"БУХГАЛТЕРИЯ", report.Value("computerName"));
  EXPECT_EQ(u8"Иван", report.Value("userName"));
  EXPECT_EQ(u8"Видеоадаптер «Пример»", report.Value("video"));
  ExpectProducts(report, 2, 1, 1);
  Installed uchet = report.Product(u8"Программа «Учёт» №1");
  EXPECT_EQ(u8"ООО «Пример»", uchet.fields["publisher"]);
  EXPECT_EQ(u8"C:\\Program Files\\Учёт", uchet.fields["location"]);
  EXPECT_EQ("component", report.Product(u8"Ёлка").type);
  EXPECT_EQ("update", report.Product(u8"Обновление для Windows XP (KB123456)").type);
  // From the version 5 file: "€" is in code page 1251; "ü" is not, and becomes the code
  // page's best fit "u", as Windows and Wine convert it.
  Installed slovar = report.Product(u8"Словарь Muller € 2008");
  EXPECT_EQ(u8"Издательство «Книга»", slovar.fields["publisher"]);
}

// The 64-bit profiles are regedit exports of a 64-bit machine, loaded as they are: the 32-bit
// view under WOW6432Node, the user's key, packages in the registry's own states.
TEST(Fixtures64, BothViewsTheUserAndTheInstalledPackagesEachOnce) {
  const struct {
    const char* fixture;
    const char* name;
    const char* installed[2];
    const char* superseded;
  } rows[] = {
      {"win7-x64", "Windows 7 Professional", {"KB2900001", "KB2900002"}, "KB2900003"},
      {"win10-x64", "Windows 10 Pro", {"KB5034441", "KB5034763"}, "KB5032189"},
      {"win11-x64", "Windows 11 Home", {"KB5034765", "KB5034467"}, "KB5033375"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fixture);
    HostileMachine m;
    std::string error;
    ASSERT_TRUE(m.LoadFixture(row.fixture, &error)) << error;
    Report report = m.Run("/software");
    EXPECT_EQ(row.name, report.Value("fullName"));
    // Product() fails unless the name is there exactly once.
    for (const char* name :
         {"Example Office Suite (64-bit)", "Example Legacy Tool", "Example Sync Agent",
          "Example Chat", row.installed[0], row.installed[1]})
      report.Product(name);
    EXPECT_EQ(std::string::npos, report.bytes().find(row.superseded));
    // Seven products, two of them components; the packages' KB numbers have seven digits.
    ExpectProducts(report, 7, 0, 2);
  }
}

TEST(HostileFixtures, IdentityMachineEscapesItsNamesAndFindsItsAddress) {
  HostileMachine m;
  std::string error;
  ASSERT_TRUE(m.LoadFixture("hostile-identity", &error)) << error;
  Report report = m.Run("");
  EXPECT_EQ("sorvik/10.0.0.49;R&D-LAB;O'Brien & Co.xml", m.lastReportPath());
  EXPECT_EQ("10.0.0.49", report.Value("ip"));
  EXPECT_NE(std::string::npos,
            report.bytes().find("<userName>O&apos;Brien &amp; Co</userName>\r\n"));
  ExpectProducts(report, 1, 0, 0);
  Installed specials = report.Product("Tom & Jerry's <Tools> \"Pro\"");
  EXPECT_EQ("A&B <Soft>", specials.fields["publisher"]);
  EXPECT_EQ("O'Brien & Co", specials.fields["registeredOwner"]);
}

TEST(HostileFixtures, MarkersMachineGivesOneProductPerEntry) {
  HostileMachine m;
  std::string error;
  ASSERT_TRUE(m.LoadFixture("hostile-markers", &error)) << error;
  Report report = m.Run("");
  ExpectProducts(report, 6, 0, 1);
  EXPECT_EQ("application", report.Product("Tool /8 v").type);
  EXPECT_EQ("component", report.Product("Plus Tool").type);
  EXPECT_EQ("Pub lisher ", report.Product("Two  Lines").fields["publisher"]);
  report.Product(InReport(EveryByte(), 1252, true));
  report.Product("ABC");
  report.Product("Bare");
  EXPECT_EQ("empty name", report.Product("").fields["version"]);
  EXPECT_EQ(InReport(EveryByte(), 1252, false) + ";+/1/2/3/4/5/6/7/8+", report.Value("video"));
}

TEST(HostileFixtures, CodePageMachinesWriteTheirNamesAsUtf8) {
  HostileMachine m;
  std::string error;
  ASSERT_TRUE(m.LoadFixture("cs-xp-1250", &error)) << error;
  Report report = m.Run("");
  EXPECT_EQ(u8"Kořenový rozbočovač USB", report.Value("usb"));
  EXPECT_EQ(u8"Wydawnictwo Łódź", report.Product(u8"Słownik polsko-węgierski").fields["publisher"]);
  report.Product(u8"Szótár – Győr és Kőszeg");

  HostileMachine japanese;
  ASSERT_TRUE(japanese.LoadFixture("ja-xp-932", &error)) << error;
  report = japanese.Run("");
  // The user name's first character ends in 0x5C, which is no folder separator.
  EXPECT_EQ("sorvik/10.20.30.60;KEIRI;\x83\x5C\x83\x45\x83\x5E.xml", japanese.lastReportPath());
  EXPECT_EQ(u8"USB ルート ハブ", report.Value("usb"));
  EXPECT_EQ(u8"C:\\Program Files\\表計算ソフト\\",
            report.Product(u8"表計算ソフト　ＰＲＯ 2008").fields["location"]);
}

TEST(HostileFixtures, MeExportKeepsTheLineBreaksOfAText) {
  HostileMachine m;
  std::string error;
  ASSERT_TRUE(m.LoadFixture("me-multiline", &error)) << error;
  Report report = m.Run("/software");
  // Stored with CR LF where the file breaks the text; the record file makes each a blank.
  EXPECT_EQ(u8"Beispiel GmbH  Abteilung Bildverarbeitung    M\u00FCnchen",
            report.Product("Beispiel Scanner-Software").fields["publisher"]);
}

}  // namespace
}  // namespace robust
