// The code pages: 1252 and 1251 built in, every other read from its NLS file.
//
// Built in: bytes below 0x80 are ASCII in both; the tables give the upper half. Bytes a code
// page leaves undefined map to the unit of the same number, as Windows does (0x81 -> U+0081 in
// 1252, 0x98 -> U+0098 in 1251). Units a code page lacks take Windows' best fit (its bestfit
// tables, which Wine 8.0 has as well).
//
// An NLS file is little-endian 16-bit words: a header (its size in words, the code page, the
// largest character size, the default characters), the offset to the table from UTF-16, the
// 256 units of the single bytes, a glyph table (a flag and 256 units, when present), the
// number of double-byte ranges, and for a double-byte code page one word per byte (0, or where
// that lead byte's 256 units start, counted from this array), then those units. The table from
// UTF-16 follows one word later: 65536 bytes, or 65536 words (lead byte << 8 | trail byte).
// l_intl.nls holds the case tables: a flag, the offset of the lower-case table, then the
// upper-case table, three levels of offsets that are added to the unit.
#include "platform/sim/codepage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

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

// One code page, ready for conversions.
struct Table {
  std::string source;       // the file it came from; empty when built in
  std::string caseSource;   // the case table's file; empty when built in
  WCHAR defaultUnit = '?';  // what a lead byte without its trail becomes
  WCHAR singles[256] = {};
  uint16_t leads[256] = {};    // for a lead byte: where its units start in `doubles`, else 0
  std::vector<WCHAR> doubles;  // the double-byte units, indexed as in the file
  std::vector<uint16_t> wide;  // for each unit: its byte, or lead byte << 8 | trail byte
  std::vector<WCHAR> upper;    // for each unit: its upper case
};

Table BuiltIn(UINT codePage) {
  const WCHAR* half = codePage == 1251 ? kUpper1251 : kUpper1252;  // the upper half
  Table table;
  for (int byte = 0; byte < 256; ++byte)
    table.singles[byte] = byte < 0x80 ? static_cast<WCHAR>(byte) : half[byte - 0x80];
  table.wide.assign(0x10000, '?');
  table.upper.resize(0x10000);
  for (unsigned unit = 0; unit < 0x10000; ++unit) {
    WCHAR u = static_cast<WCHAR>(unit);
    table.wide[unit] = static_cast<unsigned char>(BestFit(codePage, u));
    table.upper[unit] = UpperCase(u);
  }
  for (int byte = 255; byte >= 0; --byte) table.wide[table.singles[byte]] = byte;
  return table;
}

bool ReadWords(const std::string& path, std::vector<uint16_t>* words) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  const std::string bytes = content.str();
  words->assign(bytes.size() / 2, 0);
  for (size_t i = 0; i < words->size(); ++i)
    (*words)[i] = static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return true;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The file's path: in the profile's folder, else in Wine's. Empty when in neither.
std::string Locate(const std::string& name, const std::string& profileFolder) {
  if (!profileFolder.empty() && FileExists(profileFolder + "/" + name))
    return profileFolder + "/" + name;
  std::string wine = std::string(kWineNlsFolder) + "/" + name;
  return FileExists(wine) ? wine : std::string();
}

// Reads a code page file into `table`; false with the reason.
bool ParseCodePage(UINT codePage, const std::string& path, Table* table, std::string* error) {
  std::vector<uint16_t> w;
  if (!ReadWords(path, &w)) return *error = path + ": cannot be read", false;
  const std::string bad = path + ": not the NLS file of code page " + std::to_string(codePage);
  if (w.size() < 14 || w[1] != codePage || (w[2] != 1 && w[2] != 2) || w[0] < 13)
    return *error = bad, false;
  size_t at = w[0];  // the offset to the table from UTF-16
  size_t wideAt = at + w[at] + 1;
  size_t singles = at + 1;
  size_t next = singles + 256;
  if (next + 2 > w.size()) return *error = bad, false;
  if (w[next++] != 0) next += 256;  // glyphs, which conversions without flags don't use
  if (next + 1 > w.size()) return *error = bad, false;
  bool doubleByte = w[next++] != 0;
  for (int byte = 0; byte < 256; ++byte) table->singles[byte] = w[singles + byte];
  table->defaultUnit = w[4];
  if (doubleByte) {
    if (next + 256 > std::min(wideAt, w.size())) return *error = bad, false;
    table->doubles.assign(w.begin() + static_cast<long>(next),
                          w.begin() + static_cast<long>(std::min(wideAt, w.size())));
    for (int byte = 0; byte < 256; ++byte) {
      table->leads[byte] = w[next + byte];
      if (table->leads[byte] != 0 && table->leads[byte] + 256u > table->doubles.size())
        return *error = bad, false;
    }
  }
  table->wide.assign(0x10000, 0);
  if (w[2] == 2) {
    if (wideAt + 0x10000 > w.size()) return *error = bad, false;
    std::copy(w.begin() + static_cast<long>(wideAt),
              w.begin() + static_cast<long>(wideAt + 0x10000), table->wide.begin());
  } else {
    if (wideAt + 0x8000 > w.size()) return *error = bad, false;
    for (size_t unit = 0; unit < 0x10000; ++unit)
      table->wide[unit] = (unit % 2 == 0 ? w[wideAt + unit / 2] : w[wideAt + unit / 2] >> 8) & 0xFF;
  }
  table->source = path;
  return true;
}

bool ParseCaseTable(const std::string& path, Table* table, std::string* error) {
  std::vector<uint16_t> w;
  if (!ReadWords(path, &w)) return *error = path + ": cannot be read", false;
  table->upper.resize(0x10000);
  for (unsigned unit = 0; unit < 0x10000; ++unit) {
    size_t first = 2 + (unit >> 8);
    size_t second = first < w.size() ? 2 + w[first] + ((unit >> 4) & 0x0F) : w.size();
    size_t third = second < w.size() ? 2 + w[second] + (unit & 0x0F) : w.size();
    if (third >= w.size()) return *error = path + ": not a case table", false;
    table->upper[unit] = static_cast<WCHAR>(unit + w[third]);
  }
  table->caseSource = path;
  return true;
}

std::map<UINT, std::unique_ptr<Table>>& Tables() {
  static std::map<UINT, std::unique_ptr<Table>> tables;
  return tables;
}

// The table of a code page, loaded from Wine's folder on first use; nullptr when it can't be.
const Table* Find(UINT codePage) {
  auto at = Tables().find(codePage);
  if (at != Tables().end()) return at->second.get();
  std::string ignored;
  if (!LoadCodePage(codePage, std::string(), &ignored)) return nullptr;
  return Tables()[codePage].get();
}

const Table& Get(UINT codePage) {
  const Table* table = Find(codePage);
  return table != nullptr ? *table : *Find(1252);
}

// The unit that the text's character at *at gives; *at moves past it.
WCHAR NextUnit(const Table& table, const std::string& text, size_t* at) {
  unsigned char byte = static_cast<unsigned char>(text[(*at)++]);
  uint16_t lead = table.leads[byte];
  if (lead == 0) return table.singles[byte];
  if (*at < text.size() && text[*at] != '\0')
    return table.doubles[lead + static_cast<unsigned char>(text[(*at)++])];
  return table.defaultUnit;
}

}  // namespace

const char kWineNlsFolder[] = "/usr/share/wine/nls";

bool LoadCodePage(UINT codePage, const std::string& profileFolder, std::string* error) {
  const std::string name = "c_" + std::to_string(codePage) + ".nls";
  const std::string own = profileFolder + "/" + name;
  std::unique_ptr<Table>& slot = Tables()[codePage];
  if ((codePage == 1252 || codePage == 1251) && (profileFolder.empty() || !FileExists(own))) {
    if (slot == nullptr || !slot->source.empty()) slot.reset(new Table(BuiltIn(codePage)));
    return true;
  }
  std::string path = Locate(name, profileFolder);
  std::string casePath = Locate("l_intl.nls", profileFolder);
  const std::string missing = path.empty() ? name : casePath.empty() ? "l_intl.nls" : "";
  std::unique_ptr<Table> table(new Table);
  if (!missing.empty()) {
    *error = "code page " + std::to_string(codePage) + ": " + missing + " is neither in " +
             (profileFolder.empty() ? std::string("the profile") : profileFolder) + " nor in " +
             kWineNlsFolder;
  } else if (slot != nullptr && slot->source == path && slot->caseSource == casePath) {
    return true;
  } else if (ParseCodePage(codePage, path, table.get(), error) &&
             ParseCaseTable(casePath, table.get(), error)) {
    slot = std::move(table);
    return true;
  }
  if (slot == nullptr) Tables().erase(codePage);
  return false;
}

bool IsModelledCodePage(UINT codePage) { return Find(codePage) != nullptr; }

std::u16string AnsiTextToWide(UINT codePage, const std::string& text) {
  const Table& table = Get(codePage);
  std::u16string units;
  units.reserve(text.size());
  for (size_t at = 0; at < text.size();) units += NextUnit(table, text, &at);
  return units;
}

int CompareUpperCase(UINT codePage, const std::string& a, const std::string& b) {
  const Table& table = Get(codePage);
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    WCHAR x = table.upper[NextUnit(table, a, &i)], y = table.upper[NextUnit(table, b, &j)];
    if (x != y) return x < y ? -1 : 1;
  }
  if (i == a.size() && j == b.size()) return 0;
  return i == a.size() ? -1 : 1;
}

WCHAR AnsiToWide(UINT codePage, unsigned char byte) {
  const Table& table = Get(codePage);
  return table.leads[byte] != 0 ? table.defaultUnit : table.singles[byte];
}

std::string WideToAnsi(UINT codePage, WCHAR unit) {
  uint16_t bytes = Get(codePage).wide[unit];
  if (bytes > 0xFF) return {static_cast<char>(bytes >> 8), static_cast<char>(bytes & 0xFF)};
  return std::string(1, static_cast<char>(bytes));
}

std::string WideTextToAnsi(UINT codePage, const std::u16string& text) {
  std::string result;
  result.reserve(text.size());
  for (char16_t unit : text) result += WideToAnsi(codePage, unit);
  return result;
}

bool IsLeadByte(UINT codePage, unsigned char byte) { return Get(codePage).leads[byte] != 0; }

bool EndsWithBackslash(UINT codePage, const std::string& text) {
  size_t last = std::string::npos;
  for (size_t at = FindBackslash(codePage, text); at != std::string::npos;
       at = FindBackslash(codePage, text, at + 1))
    last = at;
  return !text.empty() && last == text.size() - 1;
}

size_t FindBackslash(UINT codePage, const std::string& text, size_t start) {
  const Table& table = Get(codePage);
  for (size_t i = start; i < text.size(); ++i) {
    if (text[i] == '\\') return i;
    if (table.leads[static_cast<unsigned char>(text[i])] != 0) ++i;
  }
  return std::string::npos;
}

}  // namespace sim
