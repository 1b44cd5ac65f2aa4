#include "platform/sim/profile.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/sim/machine.h"

namespace {

std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

const sim::Value* FindValue(const sim::Registry& registry, HKEY root, const char* path,
                            const char* name) {
  const sim::Key* key = registry.Find(root, path);
  return key != nullptr ? key->FindValue(name) : nullptr;
}

sim::Bytes ValueData(const sim::Registry& registry, const char* path, const char* name) {
  const sim::Value* value = FindValue(registry, HKEY_LOCAL_MACHINE, path, name);
  return value != nullptr ? value->data : sim::Bytes{0xEE};
}

sim::Bytes Text(const std::string& text) { return sim::Bytes(text.begin(), text.end()); }

TEST(RegImport, ReadsEveryFormOfRegedit4) {
  const std::string file =
      "REGEDIT4\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
      "\"Path\"=\"C:\\\\Program Files\\\\Vendor \\\"X\\\"\"\r\n"
      "@=\"the default\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Blob\"=hex:01,02,ff\r\n"
      "\"Multi\"=hex(7):61,00,62,00,\\\r\n"
      "  00\r\n"
      "\"Empty\"=hex:\r\n"
      "\"Gone\"=\"soon\"\r\n"
      "\"Gone\"=-\r\n"
      "\"Lines\"=\"one\r\n"
      "  two \\\"\r\n"
      "\"\r\n"
      "[HKLM\\SYSTEM\\Old\\Deep]\n"
      "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Old]\n"
      "[HKEY_DYN_DATA\\Config Manager\\Enum\\C1]\n"
      "\"HardWareKey\"=\"Root\\\\*PNP0F13\\\\0000\"\n";
  sim::Registry registry;
  std::string error;
  ASSERT_TRUE(sim::ImportRegText(file, "a.reg", 1252, &registry, &error)) << error;
  const char* vendor = "SOFTWARE\\Vendor";
  EXPECT_EQ(Text(std::string("C:\\Program Files\\Vendor \"X\"") + '\0'),
            ValueData(registry, vendor, "Path"));
  EXPECT_EQ(Text(std::string("the default") + '\0'), ValueData(registry, vendor, ""));
  EXPECT_EQ(Text(std::string("one\r\n  two \"\r\n") + '\0'), ValueData(registry, vendor, "Lines"));
  EXPECT_EQ((sim::Bytes{0x2a, 0, 0, 0}), ValueData(registry, vendor, "Count"));
  EXPECT_EQ((sim::Bytes{1, 2, 0xff}), ValueData(registry, vendor, "Blob"));
  EXPECT_EQ((sim::Bytes{'a', 0, 'b', 0, 0}), ValueData(registry, vendor, "Multi"));
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ),
            FindValue(registry, HKEY_LOCAL_MACHINE, vendor, "Multi")->type);
  EXPECT_EQ(sim::Bytes{}, ValueData(registry, vendor, "Empty"));
  EXPECT_EQ(nullptr, FindValue(registry, HKEY_LOCAL_MACHINE, vendor, "Gone"));
  EXPECT_EQ(nullptr, registry.Find(HKEY_LOCAL_MACHINE, "SYSTEM\\Old"));
  EXPECT_NE(nullptr, registry.Find(HKEY_LOCAL_MACHINE, "SYSTEM"));
  EXPECT_NE(nullptr, FindValue(registry, HKEY_DYN_DATA, "Config Manager\\Enum\\C1", "HardWareKey"));
}

TEST(RegImport, Version5IsUtf16AndStoredInTheAnsiCodePage) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n"
      u"\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\\u0424\u0438\u0440\u043C\u0430]\r\n"
      u"\"Name\"=\"\u041F\u0440\u0438\u043C\u0435\u0440 \u20AC\"\r\n"
      u"\"Expand\"=hex(2):25,00,57,00,\\\r\n"
      u"  1f,04,00,00\r\n"
      u"\"Chinese\"=\"\u4E2D\"\r\n";
  sim::Registry registry;
  std::string error;
  ASSERT_TRUE(sim::ImportRegText(Utf16File(text), "b.reg", 1251, &registry, &error)) << error;
  const char* path = "SOFTWARE\\\xD4\xE8\xF0\xEC\xE0";  // "Фирма" in 1251
  ASSERT_NE(nullptr, registry.Find(HKEY_LOCAL_MACHINE, path));
  EXPECT_EQ(Text(std::string("\xCF\xF0\xE8\xEC\xE5\xF0 \x88") + '\0'),
            ValueData(registry, path, "Name"));
  EXPECT_EQ(Text(std::string("%W\xCF") + '\0'), ValueData(registry, path, "Expand"));
  EXPECT_EQ(Text(std::string("?") + '\0'), ValueData(registry, path, "Chinese"));
}

TEST(RegImport, Version5NamesAndTextsTakeTheBestFitOnceParsed) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\u00E9]\r\n"
      u"\"\u00DCber\"=\"M\u00FCller \U0001F600\"\r\n"
      // Full-width quote and backslash: the file's syntax only once they are ANSI.
      u"\"Q\uFF02\"=\"a\uFF3C\uFF02 ;\"\r\n"
      u"\"Gone\u0101\"=\"x\"\r\n"
      u"\"gone\u0100\"=-\r\n";
  sim::Registry registry;
  std::string error;
  ASSERT_TRUE(sim::ImportRegText(Utf16File(text), "c.reg", 1251, &registry, &error)) << error;
  const char* path = "SOFTWARE\\Cafe";
  ASSERT_NE(nullptr, registry.Find(HKEY_LOCAL_MACHINE, path));
  EXPECT_EQ(Text(std::string("Muller ??") + '\0'), ValueData(registry, path, "Uber"));
  EXPECT_EQ(Text(std::string("a\\\" ;") + '\0'), ValueData(registry, path, "Q\""));
  EXPECT_EQ(nullptr, FindValue(registry, HKEY_LOCAL_MACHINE, path, "Gonea"));
  EXPECT_EQ(1251u, registry.CodePage());

  const std::u16string slash =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A\uFF3Cz]\r\n";
  EXPECT_FALSE(sim::ImportRegText(Utf16File(slash), "d.reg", 1252, &registry, &error));
  EXPECT_EQ(
      "d.reg:3: a key name in 'HKEY_LOCAL_MACHINE\\A\xEF\xBC\xBCz' has a character that "
      "code page 1252 writes as '\\'",
      error);
}

struct BadReg {
  const char* body;  // after the header line
  int line;
  const char* says;
};

class BadRegLine : public ::testing::TestWithParam<BadReg> {};

TEST_P(BadRegLine, IsReportedWithItsLine) {
  std::string file = std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n") + GetParam().body;
  sim::Registry registry;
  std::string error;
  EXPECT_FALSE(sim::ImportRegText(file, "dir/x.reg", 1252, &registry, &error));
  std::string where = "dir/x.reg:" + std::to_string(GetParam().line) + ": ";
  EXPECT_EQ(0u, error.find(where)) << error;
  EXPECT_NE(std::string::npos, error.find(GetParam().says)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadRegLine,
    ::testing::Values(
        BadReg{"[HKEY_CLASSES_ROOT\\x]\n", 3, "unknown root key 'HKEY_CLASSES_ROOT'"},
        BadReg{"\n[HKLM\\x\n", 4, "closing ']'"}, BadReg{"[HKLM\\a\\\\b]\n", 3, "empty key name"},
        BadReg{"[HKLM\\a\\]\n", 3, "empty key name"},
        BadReg{"[-HKLM]\n", 3, "root key cannot be deleted"},
        BadReg{"\"a\"=\"b\n", 3, "closing quote"}, BadReg{"\"a\"=\"b\n\nc\n", 3, "closing quote"},
        BadReg{"\"a\"=\"b\\n\"\n", 3, "unknown escape"},
        BadReg{"\"a\"=\"b\" x\n", 3, "after the closing quote"},
        BadReg{"\"a\"\"b\"\n", 3, "expected '='"}, BadReg{"a=\"b\"\n", 3, "expected a [key]"},
        BadReg{"\"a\"=dword:123456789\n", 3, "1 to 8 hex digits"},
        BadReg{"\"a\"=dword:\n", 3, "1 to 8 hex digits"},
        BadReg{"\"a\"=dword:xyz\n", 3, "1 to 8 hex digits"},
        BadReg{"\"a\"=hex:01,2g\n", 3, "'2g' is not a hex byte"},
        BadReg{"\"a\"=hex:01,,02\n", 3, "'' is not a hex byte"},
        BadReg{"\"a\"=hex:01,\\\n  02,\\\n  100\n", 5, "'100' is not a hex byte"},
        BadReg{"\"a\"=hex:01,\\", 3, "past the end of the file"},
        BadReg{"\"a\"=hex(q):01\n", 3, "hex type number"},
        BadReg{"\"a\"=str:01\n", 3, "unknown value data"},
        BadReg{"[-HKLM\\K]\n\"a\"=\"b\"\n", 4, "deleted [-key]"}));

TEST(RegImport, HeaderAndEncodingErrors) {
  sim::Registry registry;
  std::string error;
  EXPECT_FALSE(sim::ImportRegText("\"a\"=\"b\"\n", "h.reg", 1252, &registry, &error));
  EXPECT_EQ("h.reg:1: expected the header REGEDIT4 or Windows Registry Editor Version 5.00", error);
  EXPECT_FALSE(sim::ImportRegText("REGEDIT4\n\"a\"=\"b\"\n", "v.reg", 1252, &registry, &error));
  EXPECT_EQ("v.reg:2: a value before any [key]", error);
  EXPECT_FALSE(sim::ImportRegText("\xFF\xFEW\0x", "o.reg", 1252, &registry, &error));
  EXPECT_EQ("o.reg: a UTF-16 file of an odd number of bytes", error);
  EXPECT_FALSE(sim::ImportRegText("", "e.reg", 1252, &registry, &error));
  EXPECT_EQ(0u, error.find("e.reg:1: expected the header"));
}

TEST(MachineIni, SetsTheFactsItNames) {
  const std::string ini =
      "; Windows 98 SE\n"
      "[version]\n"
      "platform = 1\n"
      "minor = 10\n"
      "csd = \" A \"\n"
      "extendedWorks = no\n"
      "[Kernel32]\n"
      "GetProductInfo = yes\n"
      "productInfoType = 0x1\n"
      "[memory]\n"
      "totalBytes = 5368709120\n"
      "[drive d:]\n"
      "type = CDROM\n"
      "sizeReadable = false\n"
      "[drive C:]\n"
      "type = fixed\n"
      "totalBytes = 0x40000000\n"
      "freeBytes = 4096\n"
      "folder = c-drive\n"
      "[resolver]\n"
      "OfficePC = 192.168.0.7, 10.0.0.1\n"
      "[printer]\n"
      "name = Laser\n"
      "port = LPT1:\n"
      "[time]\n"
      "localTime = 2008-02-29 23:59:58.250\n"
      "[text]\n"
      "ansiCodePage = 1251\n"
      "[registry]\n"
      "dynData = no\n";
  sim::Machine machine;
  std::string error;
  ASSERT_TRUE(sim::ParseMachineIni(ini, "m.ini", "/p", &machine, &error)) << error;
  const sim::Facts& f = machine.facts;
  EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS), f.platformId);
  EXPECT_EQ(10u, f.minorVersion);
  EXPECT_EQ(" A ", f.csdVersion);
  EXPECT_FALSE(f.extendedVersionWorks);
  EXPECT_TRUE(f.hasGetProductInfo);
  EXPECT_EQ(1u, f.productInfoType);
  EXPECT_EQ(5368709120ull, f.totalPhysBytes);
  EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), f.drives[3].type);
  EXPECT_FALSE(f.drives[3].sizeReadable);
  EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), f.drives[2].type);
  EXPECT_EQ(262144u, f.drives[2].totalClusters);  // 1 GB in 4 KB clusters
  EXPECT_EQ(1u, f.drives[2].freeClusters);
  EXPECT_EQ("/p/c-drive", f.driveFolders.at('C'));
  EXPECT_EQ((std::vector<std::string>{"192.168.0.7", "10.0.0.1"}), f.resolver.at("OfficePC"));
  EXPECT_TRUE(f.hasDefaultPrinter);
  EXPECT_EQ("LPT1:", f.defaultPrinter.port);
  EXPECT_EQ(2008, f.localTime.wYear);
  EXPECT_EQ(29, f.localTime.wDay);
  EXPECT_EQ(5, f.localTime.wDayOfWeek);  // a Friday
  EXPECT_EQ(250, f.localTime.wMilliseconds);
  EXPECT_EQ(1251u, f.ansiCodePage);
  EXPECT_FALSE(machine.registry.HasDynData());
}

struct BadIni {
  const char* text;
  int line;
  const char* says;
};

class BadIniLine : public ::testing::TestWithParam<BadIni> {};

TEST_P(BadIniLine, IsReportedWithItsLine) {
  sim::Machine machine;
  std::string error;
  EXPECT_FALSE(sim::ParseMachineIni(GetParam().text, "m.ini", ".", &machine, &error));
  std::string where = "m.ini:" + std::to_string(GetParam().line) + ": ";
  EXPECT_EQ(0u, error.find(where)) << error;
  EXPECT_NE(std::string::npos, error.find(GetParam().says)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadIniLine,
    ::testing::Values(BadIni{"major = 5\n", 1, "before any [section]"},
                      BadIni{"[versions]\n", 1, "unknown section [versions]"},
                      BadIni{"[version\n", 1, "must end with ']'"},
                      BadIni{"\n[version]\nmajr = 5\n", 3, "unknown name 'majr' in [version]"},
                      BadIni{"[version]\nmajor 5\n", 2, "expected 'name = value'"},
                      BadIni{"[version]\nmajor = five\n", 2, "'five' is not a number"},
                      BadIni{"[version]\nmajor = 4294967296\n", 2, "too large"},
                      BadIni{"[version]\nproductType = 256\n", 2, "too large"},
                      BadIni{"[version]\nworks = maybe\n", 2, "not yes or no"},
                      BadIni{"[drive 1:]\n", 1, "does not name a drive"},
                      BadIni{"[drive C:]\ntype = floppy\n", 2, "not a drive type"},
                      BadIni{"[drive C:]\nsize = 1\n", 2, "unknown name 'size'"},
                      BadIni{"[resolver]\npc = 10.0.0.256\n", 2, "not an IPv4 address"},
                      BadIni{"[resolver]\npc = 10.0.0.1,\n", 2, "not an IPv4 address"},
                      BadIni{"[time]\nlocalTime = 2007-02-29 10:00:00\n", 2, "not a time"},
                      BadIni{"[time]\nlocalTime = 2007-01-01 10:00\n", 2, "not a time"},
                      BadIni{"[text]\nansiCodePage = 437\n", 2, "not an ANSI code page"}));

TEST(Profile, LoadsTheIniThenTheRegFilesInNameOrder) {
  sim::Machine machine;
  std::string error;
  std::string folder = std::string(SORVIK_FIXTURES) + "/xp-pro-sp2";
  ASSERT_TRUE(sim::LoadProfile(folder, &machine, &error)) << error;
  EXPECT_EQ("OFFICE-PC", machine.facts.computerName);
  const sim::Key* current =
      machine.registry.Find(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  ASSERT_NE(nullptr, current);
  ASSERT_NE(nullptr, current->FindValue("ProductId"));
  // 20-software.reg (version 5) overrides a value that 10-system.reg set.
  const sim::Value* owner = current->FindValue("RegisteredOwner");
  ASSERT_NE(nullptr, owner);
  EXPECT_EQ(Text(std::string("Anna M\xFCller") + '\0'), owner->data);
  EXPECT_NE(nullptr, machine.registry.Find(HKEY_LOCAL_MACHINE,
                                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                           "Uninstall\\ExampleEditor"));
}

// The fixtures that the differential runs compare with Wine, where Wine showed what the
// simulator had wrong.
TEST(Profile, FixturesThatWineReadsOtherwiseThanPlainAscii) {
  const char* uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  sim::Machine latin;
  std::string error;
  ASSERT_TRUE(
      sim::LoadProfile(std::string(SORVIK_FIXTURES) + "/registry-case-latin1", &latin, &error))
      << error;
  const sim::Key* products = latin.registry.Find(HKEY_LOCAL_MACHINE, uninstall);
  ASSERT_NE(nullptr, products);
  ASSERT_EQ(1u, products->subkeys.size());  // "Caf\xE9" and "CAF\xC9" are one key
  EXPECT_EQ("Caf\xE9", products->subkeys[0]->name);
  EXPECT_EQ(2u, products->subkeys[0]->values.size());

  sim::Machine cyrillic;
  ASSERT_TRUE(sim::LoadProfile(std::string(SORVIK_FIXTURES) + "/hostile-cp1251", &cyrillic, &error))
      << error;
  const sim::Key* slovar =
      cyrillic.registry.Find(HKEY_LOCAL_MACHINE, (std::string(uninstall) + "\\Slovar").c_str());
  ASSERT_NE(nullptr, slovar);
  ASSERT_NE(nullptr, slovar->FindValue("DisplayName"));
  // "Словарь Müller € 2008": the u without its diaeresis, as Wine converts it.
  EXPECT_EQ(Text(std::string("\xD1\xEB\xEE\xE2\xE0\xF0\xFC Muller \x88 2008") + '\0'),
            slovar->FindValue("DisplayName")->data);
}

TEST(Profile, ErrorsNameTheFile) {
  sim::Machine machine;
  std::string error;
  EXPECT_FALSE(sim::LoadProfile("/nonexistent/profile", &machine, &error));
  EXPECT_EQ(0u, error.find("/nonexistent/profile: cannot open the profile folder")) << error;
  std::string folder = std::string(SORVIK_FIXTURES) + "/bad-reg";
  EXPECT_FALSE(sim::LoadProfile(folder, &machine, &error));
  EXPECT_EQ(folder + "/10-broken.reg:4: 'zz' is not a hex byte (00 to ff)", error);
}

}  // namespace
