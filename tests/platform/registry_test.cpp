#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/sim/builder.h"
#include "platform/win32.h"

namespace {

HKEY const kSentinel = reinterpret_cast<HKEY>(0x5EED);

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : installed_(machine_) {}

  LONG Open(HKEY root, const char* path, HKEY* key, REGSAM access = KEY_READ) {
    return RegOpenKeyExA(root, path, 0, access, key);
  }

  std::vector<std::string> Subkeys(HKEY key) {
    std::vector<std::string> names;
    char name[64];
    DWORD size = sizeof(name);
    for (DWORD i = 0;
         RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof(name))
      names.push_back(name);
    return names;
  }

  sim::Machine machine_;
  sim::ScopedMachine installed_;
};

TEST_F(RegistryTest, MissingKeysFailAndLeaveTheHandleAlone) {
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor");
  HKEY key = kSentinel;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Other", &key));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Deeper", &key));
  EXPECT_EQ(kSentinel, key);
  EXPECT_EQ(0, machine_.OpenHandleCount());
  EXPECT_TRUE(machine_.openedKeyPaths.empty());
}

TEST_F(RegistryTest, NamesAndPathsAreMatchedLikeTheRegistryServer) {
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App");
  HKEY key = kSentinel;
  EXPECT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "software\\VENDOR\\app", &key));
  RegCloseKey(key);
  EXPECT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Vendor\\App\\", &key));
  RegCloseKey(key);
  key = kSentinel;
  EXPECT_EQ(161, Open(HKEY_LOCAL_MACHINE, "\\SOFTWARE", &key));  // ERROR_BAD_PATHNAME
  EXPECT_EQ(kSentinel, key);
  EXPECT_EQ((std::vector<std::string>{"software\\VENDOR\\app", "SOFTWARE\\Vendor\\App"}),
            machine_.openedKeyPaths);
}

TEST_F(RegistryTest, HandlesAreCountedOpenedRelativeAndClosedOnce) {
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "A\\B\\C");
  HKEY a = nullptr, c = nullptr, again = nullptr, same = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "A", &a));
  ASSERT_EQ(ERROR_SUCCESS, Open(a, "b\\c", &c));
  ASSERT_EQ(ERROR_SUCCESS, Open(a, "", &again));
  ASSERT_EQ(ERROR_SUCCESS, Open(a, nullptr, &same));
  EXPECT_NE(a, again);
  EXPECT_NE(again, same);
  EXPECT_EQ(4, machine_.OpenHandleCount());
  EXPECT_EQ((std::vector<std::string>{"A", "A\\b\\c", "A", "A"}), machine_.openedKeyPaths);

  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(a));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(a));
  EXPECT_EQ(ERROR_INVALID_HANDLE, Open(a, "B", &c));  // a closed handle is not reused
  for (HKEY key : {c, again, same}) EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(0, machine_.OpenHandleCount());

  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));  // predefined: nothing to close
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(reinterpret_cast<HKEY>(0x1234)));
  EXPECT_EQ(5, machine_.calls["RegOpenKeyExA"]);
  EXPECT_EQ(7, machine_.calls["RegCloseKey"]);
}

TEST_F(RegistryTest, RootsTheMachineDoesNotHaveAreInvalidHandles) {
  machine_.registry.CreateKey(HKEY_DYN_DATA, "Config Manager\\Enum");
  HKEY key = kSentinel;
  EXPECT_EQ(ERROR_INVALID_HANDLE, Open(HKEY_CLASSES_ROOT, "CLSID", &key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, Open(reinterpret_cast<HKEY>(0x7777), "x", &key));

  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_DYN_DATA, "Config Manager\\Enum", &key));
  RegCloseKey(key);
  machine_.registry.SetHasDynData(false);  // Windows NT
  key = kSentinel;
  EXPECT_EQ(ERROR_INVALID_HANDLE, Open(HKEY_DYN_DATA, "Config Manager\\Enum", &key));
  EXPECT_EQ(kSentinel, key);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_DYN_DATA));
}

TEST_F(RegistryTest, SubkeysEnumerateInUpperCaseFoldedOrder) {
  for (const char* name : {"b", "_x", "C", "a1", "A", "Z"})
    machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, std::string("Root\\") + name);
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "root\\B");  // the same key as "b"
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Root", &key));
  // '_' sorts after the letters, as names are compared folded to upper case.
  EXPECT_EQ((std::vector<std::string>{"A", "a1", "b", "C", "Z", "_x"}), Subkeys(key));
  char name[8];
  DWORD size = sizeof(name);
  EXPECT_EQ(ERROR_NO_MORE_ITEMS,
            RegEnumKeyExA(key, 6, name, &size, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(key);
}

TEST_F(RegistryTest, EveryLetterOfTheCodePageFoldsInNames) {
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "Root\\Caf\xE9");
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Root\\CAF\xC9", "N\xE4me", "a");
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "ROOT\\caf\xE9", "N\xC4ME", "b");
  for (const char* name : {"\xFFtre", "_x", "\xE9t\xE9", "Z", "\x8Ar"})
    machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, std::string("Root\\") + name);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Root", &key));
  // Upper-cased, é is U+00C9, š U+0160 and ÿ U+0178: after every ASCII name.
  EXPECT_EQ((std::vector<std::string>{"Caf\xE9", "Z", "_x", "\xE9t\xE9", "\x8Ar", "\xFFtre"}),
            Subkeys(key));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "root\\CAF\xC9", &key));
  char data[4] = {};
  DWORD size = sizeof(data);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "n\xC4me", nullptr, nullptr,
                                            reinterpret_cast<LPBYTE>(data), &size));
  EXPECT_STREQ("b", data);
  EXPECT_EQ(1u, machine_.registry.Find(HKEY_LOCAL_MACHINE, "Root\\Caf\xE9")->values.size());
  RegCloseKey(key);
  // Folding is by letter: E with grave is not E with acute.
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_LOCAL_MACHINE, "Root\\Caf\xC8", &key));
}

TEST_F(RegistryTest, DoubleByteCharactersAreOneCharacterOfTheName) {
  machine_.facts.ansiCodePage = 932;
  machine_.registry.SetCodePage(932);
  // Katakana "sofuto": its first character ends in 0x5C, no separator. Full-width A folds.
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "Root\\\x83\x5C\x83t\x83g\\\x82\x81");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Root\\\x83\x5C\x83t\x83g\\\x82`", &key));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Root", &key));
  EXPECT_EQ(std::vector<std::string>{"\x83\x5C\x83t\x83g"}, Subkeys(key));
  RegCloseKey(key);
}

TEST_F(RegistryTest, NamesFollowTheCodePageTheMachineHasWhenAsked) {
  // Made while the machine was still in code page 1252: the acute accent, then "A".
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "Root\\\xB4");
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "Root\\\xC0");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Root", &key));
  EXPECT_EQ((std::vector<std::string>{"\xB4", "\xC0"}), Subkeys(key));
  HKEY found = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_LOCAL_MACHINE, "Root\\\xA5", &found));
  // In 1251 they are the Cyrillic small ghe with upturn (U+0491) and capital A (U+0410).
  machine_.facts.ansiCodePage = 1251;
  EXPECT_EQ((std::vector<std::string>{"\xC0", "\xB4"}), Subkeys(key));
  RegCloseKey(key);
  for (const char* path : {"Root\\\xA5", "Root\\\xE0"}) {
    ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, path, &found)) << path;
    RegCloseKey(found);
  }
  EXPECT_EQ(1251u, machine_.registry.CodePage());
}

TEST_F(RegistryTest, EnumerationNeedsRoomForTheTerminator) {
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "Root\\Abc");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Root", &key));
  char name[8];
  std::memset(name, 'x', sizeof(name));
  char className[8] = "zzzz";
  DWORD size = 3, classSize = sizeof(className);
  EXPECT_EQ(ERROR_MORE_DATA,
            RegEnumKeyExA(key, 0, name, &size, nullptr, className, &classSize, nullptr));
  EXPECT_EQ(3u, size);
  EXPECT_EQ('x', name[0]);

  size = 4;
  FILETIME written{1, 1};
  EXPECT_EQ(ERROR_SUCCESS,
            RegEnumKeyExA(key, 0, name, &size, nullptr, className, &classSize, &written));
  EXPECT_EQ(3u, size);
  EXPECT_STREQ("Abc", name);
  EXPECT_EQ('x', name[4]);
  EXPECT_STREQ("", className);
  EXPECT_EQ(0u, classSize);

  classSize = 0;  // even an empty class needs its terminator
  size = 4;
  EXPECT_EQ(ERROR_MORE_DATA,
            RegEnumKeyExA(key, 0, name, &size, nullptr, className, &classSize, nullptr));
  DWORD reserved = 0;
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegEnumKeyExA(key, 0, name, &size, &reserved, nullptr, nullptr, nullptr));
  RegCloseKey(key);
}

class ValueTest : public RegistryTest {
 protected:
  ValueTest() {
    machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Key", "Name", "abc");
    machine_.registry.SetValue(HKEY_LOCAL_MACHINE, "Key", "Bare", REG_SZ, {'x', 'y'});
    machine_.registry.SetDword(HKEY_LOCAL_MACHINE, "Key", "Number", 0x01020304);
    machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Key", "", "default");
    EXPECT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Key", &key_, KEY_QUERY_VALUE));
  }
  ~ValueTest() override { RegCloseKey(key_); }

  HKEY key_ = nullptr;
};

TEST_F(ValueTest, SizesCountTheStoredTerminator) {
  DWORD type = 0, size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, "name", nullptr, &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(4u, size);

  char data[8];
  std::memset(data, 'x', sizeof(data));
  size = 4;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, "Name", nullptr, nullptr,
                                            reinterpret_cast<LPBYTE>(data), &size));
  EXPECT_EQ(4u, size);
  EXPECT_STREQ("abc", data);
  EXPECT_EQ('x', data[4]);
}

TEST_F(ValueTest, DataThatDoesNotFitIsNotCopiedAtAll) {
  char data[8];
  std::memset(data, 'x', sizeof(data));
  DWORD type = 0, size = 3;
  EXPECT_EQ(ERROR_MORE_DATA,
            RegQueryValueExA(key_, "Name", nullptr, &type, reinterpret_cast<LPBYTE>(data), &size));
  EXPECT_EQ(4u, size);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  for (char c : data) EXPECT_EQ('x', c);
}

TEST_F(ValueTest, StringsStoredWithoutTerminatorStayWithout) {
  char data[8];
  std::memset(data, 'x', sizeof(data));
  DWORD size = sizeof(data);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, "Bare", nullptr, nullptr,
                                            reinterpret_cast<LPBYTE>(data), &size));
  EXPECT_EQ(2u, size);
  EXPECT_EQ(std::string("xyx"), std::string(data, 3));
}

TEST_F(ValueTest, MissingAndDefaultValues) {
  DWORD size = 16;
  char data[16] = {};
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key_, "Absent", nullptr, nullptr,
                                                   reinterpret_cast<LPBYTE>(data), &size));
  EXPECT_EQ(16u, size);
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    size = sizeof(data);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, name, nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(data), &size));
    EXPECT_STREQ("default", data);
  }
  DWORD number = 0;
  size = sizeof(number);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, "NUMBER", nullptr, nullptr,
                                            reinterpret_cast<LPBYTE>(&number), &size));
  EXPECT_EQ(0x01020304u, number);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key_, "Name", nullptr, nullptr,
                                                      reinterpret_cast<LPBYTE>(data), nullptr));
}

TEST_F(ValueTest, OverwritingKeepsTheFirstSpellingOfTheName) {
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Key", "NAME", "new");
  const sim::Key* key = machine_.registry.Find(HKEY_LOCAL_MACHINE, "key");
  ASSERT_NE(nullptr, key);
  ASSERT_NE(nullptr, key->FindValue("name"));
  EXPECT_EQ("Name", key->FindValue("name")->name);
  EXPECT_EQ(4u, key->values.size());
}

TEST_F(RegistryTest, NtChecksTheAccessAHandleWasOpenedFor) {
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Key\\Sub", "Name", "abc");
  HKEY valuesOnly = nullptr, subkeysOnly = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Key", &valuesOnly, KEY_QUERY_VALUE));
  ASSERT_EQ(ERROR_SUCCESS,
            Open(HKEY_LOCAL_MACHINE, "Key\\Sub", &subkeysOnly, KEY_ENUMERATE_SUB_KEYS));
  char name[16];
  DWORD size = sizeof(name);
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegEnumKeyExA(valuesOnly, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegQueryValueExA(subkeysOnly, "Name", nullptr, nullptr, nullptr, &size));

  machine_.facts.platformId = VER_PLATFORM_WIN32_WINDOWS;  // 9x checks nothing
  EXPECT_EQ(ERROR_SUCCESS,
            RegEnumKeyExA(valuesOnly, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(subkeysOnly, "Name", nullptr, nullptr, nullptr, &size));
  RegCloseKey(valuesOnly);
  RegCloseKey(subkeysOnly);
}

// The x86_64 test build sees the 64-bit view unless it asks for the 32-bit one.
TEST_F(RegistryTest, SixtyFourBitProgramSeesTheNativeViewFirst) {
  machine_.facts.nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  machine_.facts.program64Bit = true;
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Native");
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Legacy");
  const struct {
    const char* path;
    REGSAM view;
    LONG result;
  } rows[] = {
      {"SOFTWARE\\Native", 0, ERROR_SUCCESS},
      {"SOFTWARE\\Legacy", 0, ERROR_FILE_NOT_FOUND},
      {"SOFTWARE\\Native", KEY_WOW64_64KEY, ERROR_SUCCESS},
      {"SOFTWARE\\Legacy", KEY_WOW64_32KEY, ERROR_SUCCESS},
      {"SOFTWARE\\Native", KEY_WOW64_32KEY, ERROR_FILE_NOT_FOUND},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.path << " view " << row.view);
    HKEY key = nullptr;
    EXPECT_EQ(row.result, Open(HKEY_LOCAL_MACHINE, row.path, &key, KEY_READ | row.view));
    if (row.result == ERROR_SUCCESS) RegCloseKey(key);
  }
}

// Our 32-bit program on 64-bit Windows: SOFTWARE has a 64-bit view (the key itself) and a
// 32-bit one (its Wow6432Node), which opens from the root reach unless they ask for the 64-bit
// view. Opens below an opened key stay in its view; SYSTEM and the user's keys have one view.
TEST_F(RegistryTest, SixtyFourBitWindowsShowsSoftwareInTwoViews) {
  machine_.facts.nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Native");
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Legacy");
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\Setup");
  machine_.registry.CreateKey(HKEY_CURRENT_USER, "Software\\Chat");
  const struct {
    HKEY root;
    const char* path;
    REGSAM view;
    LONG result;
  } rows[] = {
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Native", 0, ERROR_FILE_NOT_FOUND},
      {HKEY_LOCAL_MACHINE, "software\\Legacy", 0, ERROR_SUCCESS},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Legacy", KEY_WOW64_32KEY, ERROR_SUCCESS},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Native", KEY_WOW64_64KEY, ERROR_SUCCESS},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Legacy", KEY_WOW64_64KEY, ERROR_FILE_NOT_FOUND},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432NODE\\Legacy", 0, ERROR_SUCCESS},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Native", KEY_WOW64_64KEY | KEY_WOW64_32KEY,
       ERROR_INVALID_PARAMETER},
      {HKEY_LOCAL_MACHINE, "SYSTEM\\Setup", KEY_WOW64_32KEY, ERROR_SUCCESS},
      {HKEY_CURRENT_USER, "Software\\Chat", KEY_WOW64_32KEY, ERROR_SUCCESS},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.path << " view " << row.view);
    HKEY key = nullptr;
    EXPECT_EQ(row.result, Open(row.root, row.path, &key, KEY_READ | row.view));
    if (row.result == ERROR_SUCCESS) RegCloseKey(key);
  }
  EXPECT_EQ(machine_.openedKeyPaths[0], "software\\Wow6432Node\\Legacy");

  HKEY software = nullptr, below = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            Open(HKEY_LOCAL_MACHINE, "SOFTWARE", &software, KEY_READ | KEY_WOW64_64KEY));
  EXPECT_EQ((std::vector<std::string>{"Native", "Wow6432Node"}), Subkeys(software));
  EXPECT_EQ(ERROR_SUCCESS, Open(software, "Native", &below));
  RegCloseKey(below);
  RegCloseKey(software);
}

// 32-bit Windows has one view: XP and later ignore the view flags, Windows 2000 refuses them.
TEST_F(RegistryTest, ThirtyTwoBitWindowsHasOneView) {
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor");
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS,
            Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", &key, KEY_READ | KEY_WOW64_32KEY));
  RegCloseKey(key);
  machine_.facts.minorVersion = 0;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", &key, KEY_READ | KEY_WOW64_64KEY));
  EXPECT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", &key));
  RegCloseKey(key);
}

TEST_F(RegistryTest, AHandleToADeletedKeyReportsIt) {
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Key\\Sub", "Name", "abc");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Key\\Sub", &key));
  EXPECT_TRUE(machine_.registry.DeleteKey(HKEY_LOCAL_MACHINE, "KEY"));
  DWORD size = 0;
  EXPECT_EQ(1018, RegQueryValueExA(key, "Name", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_FALSE(machine_.registry.DeleteKey(HKEY_LOCAL_MACHINE, "Key"));
}

TEST(Builder, BuildsKeysValuesAndFacts) {
  auto machine = sim::MachineBuilder()
                     .Key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion")
                     .String("ProductId", "55274-640")
                     .Dword("Flags", 7)
                     .Key("Config Manager\\Enum\\C1", HKEY_DYN_DATA)
                     .String("HardWareKey", "PCI\\X")
                     .With([](sim::Facts& f) { f.computerName = "PC1"; })
                     .Build();
  sim::ScopedMachine installed(*machine);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_DYN_DATA, "Config Manager\\Enum\\C1", 0, KEY_QUERY_VALUE, &key));
  char text[32] = {};
  DWORD size = sizeof(text);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "HardWareKey", nullptr, nullptr,
                                            reinterpret_cast<LPBYTE>(text), &size));
  EXPECT_STREQ("PCI\\X", text);
  RegCloseKey(key);
  EXPECT_EQ("PC1", sim::Current().facts.computerName);
}

}  // namespace
