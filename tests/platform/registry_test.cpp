// The simulated registry where no fixture shows it: how names compare and enumerate, the two
// views of 64-bit Windows, value data as raw bytes, and the sizes of ERROR_MORE_DATA.
#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/sim/builder.h"
#include "platform/win32.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : installed_(machine_) {}

  LONG Open(HKEY root, const char* path, HKEY* key, REGSAM access = KEY_READ) {
    return RegOpenKeyExA(root, path, 0, access, key);
  }

  std::vector<std::string> Subkeys(const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, path, &key));
    std::vector<std::string> names;
    char name[64];
    for (DWORD i = 0, size = sizeof(name);
         RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof(name))
      names.push_back(name);
    RegCloseKey(key);
    return names;
  }

  sim::Machine machine_;
  sim::ScopedMachine installed_;
};

// Names compare letter by letter of the code page, folded to upper case, and enumerate in
// that order as Windows sorts them ('_' after the letters; Wine sorts otherwise).
TEST_F(RegistryTest, NamesAreCaseInsensitiveAndEnumerateUpperCaseSorted) {
  for (const char* name : {"b", "_x", "Caf\xE9", "a1", "A", "\xFFtre", "\xE9t\xE9", "\x8Ar"})
    machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, std::string("Root\\") + name);
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "ROOT\\CAF\xC9");  // the same key as "Café"
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "root\\B", "N\xE4me", "a");
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Root\\b", "N\xC4ME", "b");
  EXPECT_EQ(
      (std::vector<std::string>{"A", "a1", "b", "Caf\xE9", "_x", "\xE9t\xE9", "\x8Ar", "\xFFtre"}),
      Subkeys("Root"));
  const sim::Key* b = machine_.registry.Find(HKEY_LOCAL_MACHINE, "ROOT\\B");
  ASSERT_NE(nullptr, b);
  ASSERT_EQ(1u, b->values.size());
  EXPECT_EQ("N\xE4me", b->values[0].name);  // the first spelling stays
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open(HKEY_LOCAL_MACHINE, "Root\\Caf\xC8", &key));  // È is not É

  // In 1251 the same bytes are other letters: 0xC0 is capital A (U+0410) and sorts first.
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "Cyr\\\xB4");
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "Cyr\\\xC0");
  EXPECT_EQ((std::vector<std::string>{"\xB4", "\xC0"}), Subkeys("Cyr"));
  machine_.facts.ansiCodePage = 1251;
  EXPECT_EQ((std::vector<std::string>{"\xC0", "\xB4"}), Subkeys("Cyr"));
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Cyr\\\xE0", &key));
  RegCloseKey(key);
}

// SOFTWARE of 64-bit Windows has a 64-bit view (the key itself) and a 32-bit one (its
// Wow6432Node), and a program sees its own unless it asks for the other; other keys have one
// view. 32-bit XP ignores the view flags, Windows 2000 refuses them.
TEST_F(RegistryTest, SoftwareHasTwoViewsOnSixtyFourBitWindows) {
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Native");
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Legacy");
  machine_.registry.CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\Setup");
  const REGSAM k32 = KEY_WOW64_32KEY, k64 = KEY_WOW64_64KEY;
  const struct {
    bool native64, program64;
    const char* path;
    REGSAM view;
    LONG result;
  } rows[] = {
      {true, false, "SOFTWARE\\Native", 0, ERROR_FILE_NOT_FOUND},
      {true, false, "software\\Legacy", 0, ERROR_SUCCESS},
      {true, false, "SOFTWARE\\Native", k64, ERROR_SUCCESS},
      {true, false, "SOFTWARE\\Legacy", k64, ERROR_FILE_NOT_FOUND},
      {true, false, "SOFTWARE\\WOW6432NODE\\Legacy", 0, ERROR_SUCCESS},
      {true, false, "SOFTWARE\\Native", k64 | k32, ERROR_INVALID_PARAMETER},
      {true, false, "SYSTEM\\Setup", k32, ERROR_SUCCESS},
      {true, true, "SOFTWARE\\Native", 0, ERROR_SUCCESS},
      {true, true, "SOFTWARE\\Legacy", 0, ERROR_FILE_NOT_FOUND},
      {true, true, "SOFTWARE\\Legacy", k32, ERROR_SUCCESS},
      {false, false, "SOFTWARE\\Native", k32, ERROR_SUCCESS},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.native64 << row.program64 << row.path << row.view);
    machine_.facts.nativeArchitecture =
        row.native64 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
    machine_.facts.program64Bit = row.program64;
    HKEY key = nullptr;
    EXPECT_EQ(row.result, Open(HKEY_LOCAL_MACHINE, row.path, &key, KEY_READ | row.view));
    if (row.result == ERROR_SUCCESS) RegCloseKey(key);
  }
  EXPECT_EQ("software\\Wow6432Node\\Legacy", machine_.openedKeyPaths[0]);
  machine_.facts.minorVersion = 0;  // Windows 2000
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Native", &key, KEY_READ | k64));
}

// Values come back as the bytes stored: a string with the terminator it was stored with or
// without, a DWORD in little-endian order; too small an area gets ERROR_MORE_DATA, the size
// needed and nothing copied, and a subkey name needs room for its terminator.
TEST_F(RegistryTest, ValuesAreRawBytesAndMoreDataGivesTheSizeNeeded) {
  machine_.registry.SetString(HKEY_LOCAL_MACHINE, "Key\\Abc", "Name", "abc");
  machine_.registry.SetValue(HKEY_LOCAL_MACHINE, "Key", "Bare", REG_SZ, {'x', 'y'});
  machine_.registry.SetDword(HKEY_LOCAL_MACHINE, "Key", "Number", 0x01020304);
  HKEY key = nullptr, sub = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open(HKEY_LOCAL_MACHINE, "Key", &key));
  ASSERT_EQ(ERROR_SUCCESS, Open(key, "abc", &sub));
  BYTE data[8];
  DWORD type = 0, size = sizeof(data);
  std::memset(data, 'x', sizeof(data));
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "bare", nullptr, &type, data, &size));
  EXPECT_EQ(std::string("xyx"), std::string(reinterpret_cast<char*>(data), 3));
  EXPECT_EQ(2u, size);
  size = sizeof(data);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Number", nullptr, &type, data, &size));
  EXPECT_EQ((std::vector<BYTE>{4, 3, 2, 1}), std::vector<BYTE>(data, data + size));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);

  std::memset(data, 'x', sizeof(data));
  size = 3;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(sub, "Name", nullptr, &type, data, &size));
  EXPECT_EQ(4u, size);  // with the stored terminator
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ('x', data[0]);
  char name[8] = "zzzzzzz";
  size = 3;
  EXPECT_EQ(ERROR_MORE_DATA,
            RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ('z', name[0]);
  size = 4;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(3u, size);  // without it
  EXPECT_STREQ("Abc", name);
  RegCloseKey(sub);
  RegCloseKey(key);
}

}  // namespace
