// The memory size the report gives for the size Windows reports: within 5 MB of a standard
// module size (10 MB from 256 MB up) it is that size, elsewhere the next whole megabyte (two
// past 1024).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/sections.h"

namespace {

std::string Normalized(const std::string& reported) {
  char text[32] = {};
  reported.copy(text, sizeof text - 1);
  char out[16] = {};
  EXPECT_TRUE(NormalizeRamSize(out, text)) << reported;
  return out;
}

std::string NextMegabyte(int megabytes) {
  return std::to_string(megabytes < 1024 ? megabytes + 1 : megabytes + 2);
}

TEST(NormalizeRamSize, EachStandardSizeAndJustOutsideIt) {
  for (int size : {16, 32, 48, 64, 128, 256, 512, 768, 1024, 2048, 4096}) {
    const int reach = size < 256 ? 5 : 10;
    const int low = size - reach, high = size + reach;
    SCOPED_TRACE(size);
    EXPECT_EQ(NextMegabyte(low - 1), Normalized(std::to_string(low - 1) + ".9"));
    EXPECT_EQ(std::to_string(size), Normalized(std::to_string(low) + ".0"));
    EXPECT_EQ(std::to_string(size), Normalized(std::to_string(high) + ".9"));
    EXPECT_EQ(NextMegabyte(high + 1), Normalized(std::to_string(high + 1) + ".0"));
  }
}

TEST(NormalizeRamSize, TextsThatAreNoSize) {
  const char* const rows[][2] = {
      {"0.0", "1"},
      {"-5.0", "-4"},
      {"abc.0", "1"},
      {".5", "1"},
      {"99999999999999999999.0", "2147483647"},
  };
  for (const auto& row : rows) EXPECT_EQ(row[1], Normalized(row[0]));
  char out[16] = "kept";
  char text[] = "2048";
  EXPECT_FALSE(NormalizeRamSize(out, text));  // no point: the output stays as it was
  EXPECT_STREQ("kept", out);
}

}  // namespace
