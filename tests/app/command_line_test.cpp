#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/run.h"

namespace {

TEST(HasSwitch, MatchesExactBytesAnywhere) {
  struct Case {
    const char* commandLine;
    const char* switchText;
    bool found;
  } cases[] = {
      {"", "/h", false},
      {"/H", "/h", false},  // case matters
      {"/h", "/h", true},
      {"/hardware", "/h", true},
      {"/out:\"C:/home/r.xml\"", "/h", true},  // inside a quoted path too
      {"/devices", "/device", true},
      {"x/devicey", "/device", true},
      {"/DEVICE", "/device", false},
      {"/dev ice", "/device", false},
      {"/out:\"D:/software/r.xml\"", "/software", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.found, HasSwitch(c.commandLine, c.switchText)) << c.commandLine;
  }
}

const char kUnchanged[] = "(unchanged)";

std::string Extract(const std::string& commandLine) {
  OutPath outPath;
  std::memset(outPath, 0, sizeof outPath);
  std::strcpy(outPath, kUnchanged);
  ExtractOutPath(commandLine.c_str(), outPath);
  EXPECT_EQ('\0', outPath[kFilePathCapacity]);
  return outPath;
}

TEST(ExtractOutPath, TakesTheQuotedPathByteForByte) {
  struct Case {
    std::string commandLine;
    std::string path;
  } cases[] = {
      {"/out:\"a\"", kUnchanged},   // 8 characters: below the minimum
      {"/out:\"ab\"", kUnchanged},  // 9
      {" /out:\"ab\"", "ab"},       // 10
      {"/out:\"C:\\\"", "C:\\"},    // 10
      {"/out:\"C:\\out\\r.xml\"", "C:\\out\\r.xml"},
      {"/out:C:\\out\\r.xml /device", kUnchanged},    // unquoted
      {"/out: \"C:\\out\\r.xml\"", kUnchanged},       // not directly quoted
      {"/out:\"C:\\out\\r.xml /device", kUnchanged},  // no closing quote
      {"/out:\"\" /device", ""},
      {"/device /out:\" C:\\my folder\\r.xml \" /software", " C:\\my folder\\r.xml "},
      {"/out:\"C:\\out\\\" /device", "C:\\out\\"},  // no escape sequences
      {"/out:\"first.xml\" /out:\"second.xml\"", "first.xml"},
      {"/out:C:\\a /out:\"C:\\b.xml\"", "C:\\b.xml"},
      {"/OUT:\"C:\\b.xml\"", kUnchanged},
  };
  for (const Case& c : cases) EXPECT_EQ(c.path, Extract(c.commandLine)) << c.commandLine;
}

TEST(ExtractOutPath, UsesPathsUpTo511CharactersAndNeverCutsLongerOnes) {
  std::string path511 = "C:\\" + std::string(504, 'p') + ".xml";
  ASSERT_EQ(511u, path511.size());
  EXPECT_EQ(path511, Extract("/out:\"" + path511 + "\""));
  EXPECT_EQ(kUnchanged, Extract("/out:\"" + path511 + "q\""));
  EXPECT_EQ(kUnchanged, Extract("/out:\"" + std::string(2000, 'p') + "\" /device"));
}

TEST(SelectSections, NeitherSwitchMeansBoth) {
  struct Case {
    const char* commandLine;
    bool device;
    bool software;
  } cases[] = {
      {"", true, true},
      {"/device", true, false},
      {"/software", false, true},
      {"/software /device", true, true},
      {"/devices", true, false},
      {"/out:\"D:/software/r.xml\"", false, true},
      {"/DEVICE /Software", true, true},
  };
  for (const Case& c : cases) {
    bool device = false;
    bool software = false;
    SelectSections(c.commandLine, &device, &software);
    EXPECT_EQ(c.device, device) << c.commandLine;
    EXPECT_EQ(c.software, software) << c.commandLine;
  }
}

}  // namespace
