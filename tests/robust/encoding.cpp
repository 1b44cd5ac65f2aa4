#include "tests/robust/encoding.h"

#include <gtest/gtest.h>

namespace robust {

namespace {

// Code pages 1252 and 1251 above 0x7F, as Windows maps them (the bytes they leave undefined
// map to the C1 control of the same number).
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
const char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char16_t Unicode(unsigned char b, UINT codePage) {
  if (b < 0x80) return b;
  if (codePage == 1252) return b < 0xA0 ? kCp1252High[b - 0x80] : b;
  return b < 0xC0 ? kCp1251High[b - 0x80] : static_cast<char16_t>(0x0410 + (b - 0xC0));
}

std::string Utf8(char16_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

}  // namespace

std::string EveryByte() {
  std::string bytes;
  for (int b = 1; b <= 0xFF; ++b) bytes += static_cast<char>(b);
  return bytes;
}

std::string InReport(const std::string& bytes, UINT codePage, bool viaRecordFile) {
  std::string out;
  for (char c : bytes) {
    unsigned char b = static_cast<unsigned char>(c);
    if (viaRecordFile && (b == '\r' || b == '\n' || b == 0x1A)) b = ' ';
    if (b == '\n') {
      out += "\r\n";
    } else if (b < 0x20 && b != '\t' && b != '\r') {
      out += "\xEF\xBF\xBD";
    } else {
      out += Utf8(Unicode(b, codePage));
    }
  }
  return out;
}

std::string Cp1251(const std::string& utf8) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      bytes += utf8[i++];
      continue;
    }
    char16_t c = static_cast<char16_t>(((lead & 0x1F) << 6) | (utf8[i + 1] & 0x3F));
    i += 2;
    if (lead >= 0xE0) {
      c = static_cast<char16_t>(((lead & 0x0F) << 12) | ((utf8[i - 1] & 0x3F) << 6) |
                                (utf8[i] & 0x3F));
      ++i;
    }
    bool found = false;
    for (int b = 0x80; b <= 0xFF && !found; ++b) {
      if (Unicode(static_cast<unsigned char>(b), 1251) == c) {
        bytes += static_cast<char>(b);
        found = true;
      }
    }
    EXPECT_TRUE(found) << "no code page 1251 byte for U+" << std::hex << static_cast<int>(c);
  }
  return bytes;
}

}  // namespace robust
