// Buffer rules of the simulated Win32 functions at the edges the fixtures never reach, as
// measured on Windows and Wine.
#include "platform/win32.h"

#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "platform/sim/builder.h"

namespace {

class Win32Test : public ::testing::Test {
 protected:
  Win32Test() : installed_(machine_) {}
  sim::Machine machine_;
  sim::ScopedMachine installed_;
};

// At most 1024 bytes with the terminator; 1024 returned once the text fills them, cut or not.
TEST_F(Win32Test, WsprintfFillsAtMost1024BytesWithItsTerminator) {
  const struct {
    size_t length;
    int returned;
    size_t written;
  } cases[] = {{1022, 1022, 1022}, {1023, 1024, 1023}, {2000, 1024, 1023}};
  for (const auto& c : cases) {
    char out[1100];
    std::memset(out, '#', sizeof(out));
    EXPECT_EQ(c.returned, wsprintfA(out, "%s", std::string(c.length, 'x').c_str())) << c.length;
    EXPECT_EQ(c.written, std::strlen(out)) << c.length;
    EXPECT_EQ('#', out[c.written + 1]) << c.length;
  }
}

// GetComputerNameA counts without the terminator, GetUserNameA with it; both give the size
// needed, terminator included, when the area is too small.
TEST_F(Win32Test, NamesCountTheirTerminatorsDifferently) {
  machine_.facts.computerName = "OFFICE-PC";
  machine_.facts.userName = "anna";
  char name[16] = {};
  DWORD size = 9;
  EXPECT_FALSE(GetComputerNameA(name, &size));
  EXPECT_EQ(10u, size);
  EXPECT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(9u, size);
  size = 4;
  EXPECT_FALSE(GetUserNameA(name, &size));
  EXPECT_EQ(5u, size);
  EXPECT_TRUE(GetUserNameA(name, &size));
  EXPECT_EQ(5u, size);
  EXPECT_STREQ("anna", name);
}

// A module path cut to the area: XP leaves it unterminated, Vista terminates it.
TEST_F(Win32Test, ModuleFileNameIsCutLikeTheWindowsVersion) {
  machine_.facts.modulePath = "C:\\sorvik\\sorvik.exe";  // 20 characters
  char path[32];
  std::memset(path, '#', sizeof(path));
  EXPECT_EQ(20u, GetModuleFileNameA(nullptr, path, 20));
  EXPECT_EQ(std::string("C:\\sorvik\\sorvik.exe#"), std::string(path, 21));
  machine_.facts.majorVersion = 6;
  EXPECT_EQ(20u, GetModuleFileNameA(nullptr, path, 20));
  EXPECT_STREQ("C:\\sorvik\\sorvik.ex", path);
}

}  // namespace
