// The command line: exact bytes anywhere; /out: takes a quoted path whole or not at all.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/run.h"

namespace {

TEST(CommandLine, SwitchesAreExactBytesAnywhere) {
  const std::tuple<const char*, bool, bool> cases[] = {
      {"", true, true},
      {"/devices", true, false},
      {"x/software", false, true},
      {"/software /device", true, true},
      {"/out:\"D:/software/r.xml\"", false, true},  // inside a quoted path too
      {"/DEVICE /Software /dev ice", true, true},   // case matters
  };
  for (const auto& [commandLine, device, software] : cases) {
    bool selected[2] = {false, false};
    SelectSections(commandLine, &selected[0], &selected[1]);
    EXPECT_EQ(device, selected[0]) << commandLine;
    EXPECT_EQ(software, selected[1]) << commandLine;
  }
  EXPECT_TRUE(HasSwitch("/out:\"C:/home/r.xml\"", "/h") && !HasSwitch("/H", "/h"));
}

TEST(CommandLine, TheOutPathIsTheQuotedTextByteForByte) {
  const std::string path511 = "C:\\" + std::string(504, 'p') + ".xml";
  const std::pair<std::string, std::string> cases[] = {
      {"/out:\"ab\"", "(unchanged)"},  // 9 characters: below the minimum
      {" /out:\"ab\"", "ab"},          // 10
      {"/device /out:\" C:\\my folder\\r.xml \" /software", " C:\\my folder\\r.xml "},
      {"/out: \"C:\\out\\r.xml\"", "(unchanged)"},       // not directly quoted
      {"/out:\"C:\\out\\r.xml /device", "(unchanged)"},  // no closing quote
      {"/out:\"\" /device", ""},
      {"/out:\"C:\\out\\\" /device", "C:\\out\\"},                    // no escape sequences
      {"/out:C:\\a /out:\"C:\\b.xml\" /out:\"c.xml\"", "C:\\b.xml"},  // the first quoted one
      {"/out:\"" + path511 + "\"", path511},
      {"/out:\"" + path511 + "q\"", "(unchanged)"},  // 512: never cut
  };
  for (const auto& [commandLine, path] : cases) {
    OutPath outPath = "(unchanged)";
    ExtractOutPath(commandLine.c_str(), outPath);
    EXPECT_EQ(path, outPath) << commandLine.substr(0, 40);
  }
}

}  // namespace
