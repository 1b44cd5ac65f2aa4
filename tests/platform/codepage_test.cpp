// The code pages against what Wine 8.0 does with them (measured with a small program calling
// WideCharToMultiByte and the registry functions under LC_ALL=C.UTF-8 and ru_RU.UTF-8).
#include "platform/sim/codepage.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "platform/sim/registry.h"

namespace {

struct Fit {
  UINT codePage;
  char16_t unit;
  unsigned char byte;
};

TEST(CodePage, UnitsTheCodePageLacksTakeWindowsBestFit) {
  const Fit fits[] = {
      // Latin letters lose their marks where the code page has no such letter.
      {1251, u'\u00FC', 'u'},
      {1251, u'\u00C9', 'E'},
      {1251, u'\u00FF', 'y'},
      {1251, u'\u0160', 'S'},
      {1252, u'\u0100', 'A'},
      {1252, u'\u0142', 'l'},
      {1252, u'\u01CE', 'a'},
      {1252, u'\u0131', 'i'},
      {1252, u'\u0110', 0xD0},  // D with stroke: the Icelandic eth of 1252
      // Signs become their look-alikes, full-width forms their ASCII.
      {1252, u'\u2032', '\''},
      {1252, u'\u2212', '-'},
      {1252, u'\u03B1', 'a'},
      {1252, u'\u3008', '<'},
      {1251, u'\u2190', '<'},
      {1251, u'\u2552', '-'},
      {1251, u'\uFF21', 'A'},
      {1252, u'\uFF5E', '~'},
      // What the code page has is its own byte, whatever a best fit would say.
      {1251, u'\u20AC', 0x88},
      {1251, u'\u2019', 0x92},
      {1252, u'\u2014', 0x97},
      {1252, u'\u0160', 0x8A},
      {1252, u'\u00E9', 0xE9},
      // Without a fit: the default character.
      {1251, u'\u00C6', '?'},
      {1251, u'\u0152', '?'},
      {1251, u'\u00D7', '?'},
      {1252, u'\u0394', '?'},
      {1252, u'\u0416', '?'},
      {1252, u'\u4E2D', '?'},
      {1251, 0xD83D, '?'},  // half a surrogate pair
      {1251, u'\uFFFD', '?'},
  };
  for (const Fit& fit : fits)
    EXPECT_EQ(std::string(1, static_cast<char>(fit.byte)), sim::WideToAnsi(fit.codePage, fit.unit))
        << fit.codePage << " U+" << std::hex << static_cast<unsigned>(fit.unit);
}

TEST(CodePage, EveryByteComesBackAsItself) {
  for (UINT codePage : {1252u, 1251u, 1250u, 1253u})
    for (int byte = 0; byte < 256; ++byte)
      EXPECT_EQ(
          std::string(1, static_cast<char>(byte)),
          sim::WideToAnsi(codePage, sim::AnsiToWide(codePage, static_cast<unsigned char>(byte))))
          << codePage << " byte " << byte;
}

// The built-in code pages may stand in for Wine's files because they agree with them.
TEST(CodePage, BuiltInCodePagesAreWinesFiles) {
  for (UINT codePage : {1252u, 1251u}) {
    std::u16string bytes, units;
    for (int byte = 0; byte < 256; ++byte) bytes += sim::AnsiToWide(codePage, byte);
    for (unsigned unit = 0; unit < 0x10000; ++unit)
      units += sim::WideToAnsi(codePage, static_cast<WCHAR>(unit))[0];
    std::string error;
    ASSERT_TRUE(sim::LoadCodePage(codePage, sim::kWineNlsFolder, &error)) << error;
    for (int byte = 0; byte < 256; ++byte)
      EXPECT_EQ(bytes[byte], sim::AnsiToWide(codePage, byte)) << codePage << " byte " << byte;
    for (unsigned unit = 0; unit < 0x10000; ++unit)
      EXPECT_EQ(std::string(1, static_cast<char>(units[unit])),
                sim::WideToAnsi(codePage, static_cast<WCHAR>(unit)))
          << codePage << " U+" << std::hex << unit;
    ASSERT_TRUE(sim::LoadCodePage(codePage, "", &error)) << error;  // built in again
  }
}

TEST(CodePage, DoubleByteTextTakesItsPairs) {
  // Katakana "so" ends in 0x5C; a lead byte at the end, or before a zero, stands alone.
  EXPECT_EQ(u"a\u30BD\u8868", sim::AnsiTextToWide(932, "a\x83\x5C\x95\x5C"));
  EXPECT_EQ(u"\u30BDx\u30FB", sim::AnsiTextToWide(932, "\x83\x5Cx\x83"));
  EXPECT_EQ(std::u16string(u"\u30FB\0b", 3), sim::AnsiTextToWide(932, std::string("\x83\0b", 3)));
  EXPECT_EQ(u"\u554A", sim::AnsiTextToWide(936, "\xB0\xA1"));
  EXPECT_EQ("\x83\x5C?\x82\xA0", sim::WideTextToAnsi(932, u"\u30BD\u0E01\u3042"));
  EXPECT_EQ(std::string::npos, sim::FindBackslash(932, "\x83\x5C"));
  EXPECT_EQ(2u, sim::FindBackslash(932, "\x83\x5C\\"));
}

TEST(CodePage, TheProfilesOwnFileComesFirst) {
  std::ifstream wine(std::string(sim::kWineNlsFolder) + "/c_1250.nls", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(wine)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 200u);
  bytes[2 * (14 + 'A')] = 'B';  // the unit of byte 'A' in the single-byte table
  char folder[] = "/tmp/sorvik-nls-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(folder));
  const std::string path = std::string(folder) + "/c_1250.nls";
  std::ofstream(path, std::ios::binary) << bytes;
  std::string error;
  ASSERT_TRUE(sim::LoadCodePage(1250, folder, &error)) << error;
  EXPECT_EQ(u'B', sim::AnsiToWide(1250, 'A'));
  ASSERT_TRUE(sim::LoadCodePage(1250, "", &error)) << error;
  EXPECT_EQ(u'A', sim::AnsiToWide(1250, 'A'));
  std::remove(path.c_str());
  rmdir(folder);
}

TEST(CodePage, AMissingFileIsNamedWithWhereItWasLookedFor) {
  std::string error;
  EXPECT_FALSE(sim::LoadCodePage(1234, "/nowhere", &error));
  EXPECT_EQ("code page 1234: c_1234.nls is neither in /nowhere nor in /usr/share/wine/nls", error);
  EXPECT_FALSE(sim::IsModelledCodePage(1234));
}

TEST(CodePage, TextIsConvertedUnitByUnit) {
  EXPECT_EQ("Muller \x88 ??.", sim::WideTextToAnsi(1251, u"M\u00FCller \u20AC \U0001F600."));
  EXPECT_EQ("Caf\xE9 \xD0ur", sim::WideTextToAnsi(1252, u"Caf\u00E9 \u0110\u016Br"));
}

// The pairs of bytes that Wine's registry took for one name ("k" and the byte, created in
// byte order), beside those of ASCII letters.
std::set<std::pair<int, int>> SameNames(UINT codePage) {
  std::set<std::pair<int, int>> pairs;
  for (int c = 'A'; c <= 'Z'; ++c) pairs.insert({c, c + 0x20});
  auto range = [&pairs](int first, int last) {
    for (int c = first; c <= last; ++c) pairs.insert({c, c + 0x20});
  };
  if (codePage == 1252) {
    range(0xC0, 0xD6);
    range(0xD8, 0xDE);
    pairs.insert({{0x9F, 0xFF}, {0x8C, 0x9C}, {0x8A, 0x9A}, {0x8E, 0x9E}});
  } else {
    range(0xC0, 0xDF);
    pairs.insert({{0xA8, 0xB8},
                  {0x80, 0x90},
                  {0x81, 0x83},
                  {0xAA, 0xBA},
                  {0xBD, 0xBE},
                  {0xB2, 0xB3},
                  {0xAF, 0xBF},
                  {0xA3, 0xBC},
                  {0x8A, 0x9A},
                  {0x8C, 0x9C},
                  {0x8E, 0x9E},
                  {0x8D, 0x9D},
                  {0xA1, 0xA2},
                  {0x8F, 0x9F},
                  {0xA5, 0xB4}});
  }
  return pairs;
}

TEST(CodePage, NamesAreTheSameForEveryLetterAsInWinesRegistry) {
  for (UINT codePage : {1252u, 1251u}) {
    std::set<std::pair<int, int>> same = SameNames(codePage);
    for (int a = 0x20; a < 256; ++a) {
      for (int b = a + 1; b < 256; ++b) {
        std::string left = {'k', static_cast<char>(a)}, right = {'k', static_cast<char>(b)};
        bool equal = sim::CompareNames(left, right, codePage) == 0;
        EXPECT_EQ(same.count({a, b}) == 1, equal) << codePage << ": " << a << " and " << b;
      }
    }
  }
}

TEST(CodePage, NamesSortByTheirUpperCasedUnits) {
  // As Windows sorts; Wine 8.0 sorts by the lower-cased units instead ("_" before "A").
  const char* const sorted1252[] = {"E", "f", "Z", "_", "\xE9", "\x8A", "\xFF", "\x83"};
  const char* const sorted1251[] = {"Z", "_", "\xB8", "\xC0", "\xFF", "\xB4", "\x96"};
  for (size_t i = 1; i < sizeof(sorted1252) / sizeof(sorted1252[0]); ++i)
    EXPECT_LT(sim::CompareNames(sorted1252[i - 1], sorted1252[i], 1252), 0) << i;
  for (size_t i = 1; i < sizeof(sorted1251) / sizeof(sorted1251[0]); ++i)
    EXPECT_LT(sim::CompareNames(sorted1251[i - 1], sorted1251[i], 1251), 0) << i;
  EXPECT_LT(sim::CompareNames("ab", "ABC", 1252), 0);  // a prefix first
  EXPECT_LT(sim::CompareNames("\xE9", "\xC9z", 1252), 0);
}

}  // namespace
