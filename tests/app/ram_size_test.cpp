// The memory size the report gives for the size Windows reports: near a standard module size
// it is that size, elsewhere the next whole megabyte (two past 1024).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "app/sections.h"

namespace {

TEST(NormalizeRamSize, RangesEdgesAndTheRuleBetweenThem) {
  const struct {
    const char* reported;
    const char* expected;
  } rows[] = {
      {"10.9", "11"},     {"11.0", "16"},     {"21.9", "16"},
      {"22.0", "23"},     {"757.5", "758"},   {"758.0", "768"},
      {"778.9", "768"},   {"779.0", "780"},   {"1013.0", "1014"},
      {"1014.0", "1024"}, {"1034.0", "1024"}, {"1035.0", "1037"},
      {"2038.0", "2048"}, {"2058.0", "2048"}, {"4106.0", "4096"},
      {"4107.0", "4109"}, {"0.0", "1"},       {"-5.0", "-4"},
      {"abc.0", "1"},     {".5", "1"},        {"99999999999999999999.0", "2147483647"},
  };
  for (const auto& row : rows) {
    char text[32];
    std::strcpy(text, row.reported);
    char out[16] = {};
    EXPECT_TRUE(NormalizeRamSize(out, text)) << row.reported;
    EXPECT_STREQ(row.expected, out) << row.reported;
  }
}

TEST(NormalizeRamSize, WithoutPointLeavesTheOutputUntouched) {
  char out[16] = "kept";
  char text[] = "2048";
  EXPECT_FALSE(NormalizeRamSize(out, text));
  EXPECT_STREQ("kept", out);
}

}  // namespace
