// Windows code pages 1252 and 1251. Bytes below 0x80 are ASCII in both; the tables give the
// upper half. Bytes a code page leaves undefined map to the unit of the same number, as
// Windows does (0x81 -> U+0081 in 1252, 0x98 -> U+0098 in 1251). Units a code page lacks take
// Windows' best fit (its bestfit tables, which Wine 8.0 has as well).
#include "platform/sim/codepage.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

const WCHAR kUpper1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

const WCHAR kUpper1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

const WCHAR* UpperHalf(UINT codePage) { return codePage == 1251 ? kUpper1251 : kUpper1252; }

// Consecutive units from `first` and the byte each fits to; '.' where there is none.
struct BestFitRun {
  WCHAR first;
  const char* bytes;
};

// Code page 1252: Latin letters beyond Latin-1 lose their marks; signs become look-alikes.
const BestFitRun kBestFit1252[] = {
    {0x0100,
     "AaAaAaCcCcCcCcDd\xD0"
     "dEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi..JjKk.LlLlLl..LlNnNnNn...OoOoOo..RrRrRrSsSsSs.."
     "TtTtTtUuUuUuUuUuUuWwYy.ZzZz...b"},
    {0x0189, "\xD0"},
    {0x0191, "\x83"},
    {0x0197, "I..l....OOo"},
    {0x01AB, "t..TUu"},
    {0x01B6, "z"},
    {0x01C0, "|..!"},
    {0x01CD, "AaIiOoUuUuUuUuUu.Aa....GgGgKkOoOo..j"},
    {0x0261, "g"},
    {0x02B9, "'\".'"},
    {0x02C4, "^...'\xAF\xB4`._"},
    {0x02DA, "\xB0"},
    {0x0300, "`\xB4^~\xAF\xAF..\xA8.\xB0...\""},
    {0x0327, "\xB8"},
    {0x0331, "__"},
    {0x037E, ";"},
    {0x0393, "G....T"},
    {0x03A3, "S..F..O"},
    {0x03B1, "a\xDF.de"},
    {0x03BC, "\xB5...p..st.f"},
    {0x04BB, "h"},
    {0x0589, ":"},
    {0x066A, "%"},
    {0x2000, "       "},
    {0x2010, "--"},
    {0x2017, "="},
    {0x2024, "\xB7"},
    {0x2032, "'..`"},
    {0x2044, "/"},
    {0x2070, "\xB0...45678"},
    {0x207F, "n0123456789"},
    {0x20A1, "\xA2..\xA3..P"},
    {0x2102, "C....E..gHHHh.IILl.N..PPQRRR"},
    {0x2124,
     "Z...Z.K\xC5"
     "BCeeEF.Mo"},
    {0x2205, "\xD8"},
    {0x2212, "-\xB1./\\*\xB0\xB7v...8....|"},
    {0x2229, "n"},
    {0x2236, ":"},
    {0x223C, "~"},
    {0x2248, "\x98"},
    {0x2261, "=..==....\xAB\xBB"},
    {0x22C5, "\xB7"},
    {0x2302, "\xA6^"},
    {0x2310, "\xAC"},
    {0x2320, "()"},
    {0x2329, "<>"},
    {0x2500, "-.\xA6"},
    {0x250C, "+...+...+...+...+"},
    {0x2524, "\xA6"},
    {0x252C, "-"},
    {0x2534, "-"},
    {0x253C, "+"},
    {0x2550, "-\xA6++++++++++++\xA6\xA6\xA6\xA6\xA6\xA6------+++"},
    {0x2580, "\xAF..._...\xA6...\xA6...\xA6\xA6\xA6\xA6"},
    {0x25A0, "\xA6"},
    {0x263C, "\xA4"},
    {0x2758, "|"},
    {0x3000, " "},
    {0x3008, "<>\xAB\xBB"},
    {0x301A, "[]"},
    {0x30FB, "\xB7"},
};
// Code page 1251 lacks Latin-1 as well: accented letters lose their marks there too.
const BestFitRun kBestFit1251[] = {
    {0x00C0,
     "AAAAAA.CEEEEIIII.NOOOOO.OUUUUY..aaaaaa.ceeeeiiii.nooooo.ouuuuy."
     "yAaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiI...JjKk.LlLlLl..LlNnNnNn...OoOoOo.."
     "RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz.b"},
    {0x0197, "I..l....OOo"},
    {0x01AB, "t..TUu"},
    {0x01CD, "AaIiOoUuUuUuUuUu.Aa....GgGgKkOoOo..j"},
    {0x203C, "!"},
    {0x2190, "<^>v-\xA6"},
    {0x21A8, "\xA6"},
    {0x2219, "\x95v....L"},
    {0x2302, "\xA6"},
    {0x2500, "-.\xA6"},
    {0x250C, "-...\xAC...L...-...+"},
    {0x2524, "+"},
    {0x252C, "T"},
    {0x2534, "+"},
    {0x253C, "+"},
    {0x2550, "=\xA6-\xE3\xE3\xAC\xAC\xACLLL---\xA6\xA6\xA6\xA6\xA6\xA6TTT\xA6\xA6\xA6+++"},
    {0x2580, "-...-...-...\xA6...\xA6---"},
    {0x25A0, "\xA6"},
    {0x25AC, "-"},
    {0x25B2, "^"},
    {0x25BA, ">.\xA1"},
    {0x25C4, "<"},
    {0x25CB, "0"},
    {0x25D8,
     "\x95"
     "0"},
    {0x263A, "OO0...+.>"},
    {0x2660, "\xA6..\xA6.\xA6\xA6...dd"},
};

// The best-fit byte of a unit the code page lacks, or '?'.
char BestFit(UINT codePage, WCHAR unit) {
  if (unit >= 0xFF01 && unit <= 0xFF5E) return static_cast<char>(unit - 0xFEE0);  // full width
  const BestFitRun* begin = codePage == 1251 ? kBestFit1251 : kBestFit1252;
  const BestFitRun* end = codePage == 1251 ? std::end(kBestFit1251) : std::end(kBestFit1252);
  const BestFitRun* after = std::upper_bound(
      begin, end, unit, [](WCHAR u, const BestFitRun& run) { return u < run.first; });
  if (after == begin) return '?';
  const BestFitRun& run = after[-1];
  size_t offset = static_cast<size_t>(unit - run.first);
  if (offset >= std::strlen(run.bytes) || run.bytes[offset] == '.') return '?';
  return run.bytes[offset];
}

// The simple upper case of the letters these code pages (and their neighbours) hold: Latin-1,
// Latin Extended-A, Greek and Cyrillic. The micro sign and the sharp s stay as they are.
WCHAR UpperCase(WCHAR unit) {
  if (unit >= 'a' && unit <= 'z') return static_cast<WCHAR>(unit - 0x20);
  if (unit < 0xE0) return unit;
  if (unit <= 0xFE) return unit == 0xF7 ? unit : static_cast<WCHAR>(unit - 0x20);
  if (unit == 0xFF) return 0x0178;
  if (unit <= 0x017F) {
    if (unit == 0x0131) return 'I';
    if (unit == 0x017F) return 'S';
    bool oddIsLower = (unit >= 0x0100 && unit <= 0x0137) || (unit >= 0x014A && unit <= 0x0177);
    bool evenIsLower = (unit >= 0x0139 && unit <= 0x0148) || (unit >= 0x0179 && unit <= 0x017E);
    if ((oddIsLower && unit % 2 == 1) || (evenIsLower && unit % 2 == 0))
      return static_cast<WCHAR>(unit - 1);
    return unit;
  }
  if (unit == 0x0192) return 0x0191;
  if (unit == 0x03AC) return 0x0386;
  if (unit >= 0x03AD && unit <= 0x03AF) return static_cast<WCHAR>(unit - 0x25);
  if (unit == 0x03C2) return 0x03A3;
  if (unit >= 0x03B1 && unit <= 0x03CB) return static_cast<WCHAR>(unit - 0x20);
  if (unit == 0x03CC) return 0x038C;
  if (unit == 0x03CD || unit == 0x03CE) return static_cast<WCHAR>(unit - 0x3F);
  if (unit >= 0x0430 && unit <= 0x044F) return static_cast<WCHAR>(unit - 0x20);
  if (unit >= 0x0450 && unit <= 0x045F) return static_cast<WCHAR>(unit - 0x50);
  bool oddIsLower = (unit >= 0x0460 && unit <= 0x0481) || (unit >= 0x048A && unit <= 0x04BF);
  if (oddIsLower && unit % 2 == 1) return static_cast<WCHAR>(unit - 1);
  return unit;
}

struct UnitTable {
  explicit UnitTable(UINT codePage) {
    for (int byte = 0; byte < 256; ++byte)
      units[byte] = UpperCase(AnsiToWide(codePage, static_cast<unsigned char>(byte)));
  }
  WCHAR units[256];
};

}  // namespace

bool IsModelledCodePage(UINT codePage) { return codePage == 1252 || codePage == 1251; }

WCHAR AnsiToWide(UINT codePage, unsigned char byte) {
  if (byte < 0x80) return byte;
  return UpperHalf(codePage)[byte - 0x80];
}

char WideToAnsi(UINT codePage, WCHAR unit) {
  if (unit < 0x80) return static_cast<char>(unit);
  const WCHAR* upper = UpperHalf(codePage);
  for (int i = 0; i < 128; ++i)
    if (upper[i] == unit) return static_cast<char>(0x80 + i);
  return BestFit(codePage, unit);
}

std::string WideTextToAnsi(UINT codePage, const std::u16string& text) {
  std::string result;
  result.reserve(text.size());
  for (char16_t unit : text) result += WideToAnsi(codePage, unit);
  return result;
}

const WCHAR* UpperCaseUnits(UINT codePage) {
  static const UnitTable k1252(1252);
  static const UnitTable k1251(1251);
  return codePage == 1251 ? k1251.units : k1252.units;
}

}  // namespace sim
