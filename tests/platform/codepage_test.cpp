// The built-in code pages 1252 and 1251 stand in for Wine's NLS files because they agree with
// them byte for byte and unit for unit (best fits included).
#include "platform/sim/codepage.h"

#include <string>

#include "gtest/gtest.h"

namespace {

TEST(CodePage, BuiltInCodePagesAreWinesFiles) {
  for (UINT codePage : {1252u, 1251u}) {
    std::u16string bytes, units;
    for (int byte = 0; byte < 256; ++byte)
      bytes += sim::AnsiToWide(codePage, static_cast<unsigned char>(byte));
    for (unsigned unit = 0; unit < 0x10000; ++unit)
      units += sim::WideToAnsi(codePage, static_cast<WCHAR>(unit))[0];
    std::string error;
    ASSERT_TRUE(sim::LoadCodePage(codePage, sim::kWineNlsFolder, &error)) << error;
    for (int byte = 0; byte < 256; ++byte)
      EXPECT_EQ(bytes[byte], sim::AnsiToWide(codePage, static_cast<unsigned char>(byte)))
          << codePage << " byte " << byte;
    for (unsigned unit = 0; unit < 0x10000; ++unit)
      EXPECT_EQ(std::string(1, static_cast<char>(units[unit])),
                sim::WideToAnsi(codePage, static_cast<WCHAR>(unit)))
          << codePage << " U+" << std::hex << unit;
    ASSERT_TRUE(sim::LoadCodePage(codePage, "", &error)) << error;  // built in again
  }
}

}  // namespace
