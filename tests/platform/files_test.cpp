#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "gtest/gtest.h"
#include "platform/sim/builder.h"
#include "platform/win32.h"

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// A machine whose C: and D: are fresh host folders.
class FilesTest : public ::testing::Test {
 protected:
  FilesTest() : installed_(machine_) {
    char pattern[] = "/tmp/sorvik-sim-XXXXXX";
    root_ = mkdtemp(pattern);
    mkdir((root_ + "/c").c_str(), 0755);
    mkdir((root_ + "/c/TEMP").c_str(), 0755);
    mkdir((root_ + "/d").c_str(), 0755);
    machine_.facts.driveFolders['C'] = root_ + "/c";
    machine_.facts.driveFolders['d'] = root_ + "/d/";
  }
  ~FilesTest() override { std::filesystem::remove_all(root_); }

  sim::Machine machine_;
  sim::ScopedMachine installed_;
  std::string root_;
};

TEST_F(FilesTest, WindowsPathsMapToTheDriveFolders) {
  std::string host;
  ASSERT_TRUE(sim::HostPath("C:\\out\\r.xml", &host));
  EXPECT_EQ(root_ + "/c/out/r.xml", host);
  ASSERT_TRUE(sim::HostPath("c:\\", &host));
  EXPECT_EQ(root_ + "/c/", host);
  ASSERT_TRUE(sim::HostPath("D:\\a\\\\b", &host));
  EXPECT_EQ(root_ + "/d/a//b", host);
  ASSERT_TRUE(sim::HostPath("\\TEMP\\x", &host));  // the root of the current drive
  EXPECT_EQ(root_ + "/c/TEMP/x", host);
  ASSERT_TRUE(sim::HostPath("r.xml", &host));
  EXPECT_EQ(root_ + "/c/r.xml", host);
  EXPECT_FALSE(sim::HostPath("E:\\x", &host));
  EXPECT_FALSE(sim::HostPath("\\\\server\\share\\x", &host));

  machine_.facts.driveFolders.clear();  // C: is then the working folder
  char cwd[4096];
  ASSERT_NE(nullptr, getcwd(cwd, sizeof(cwd)));
  ASSERT_TRUE(sim::HostPath("C:\\x", &host));
  EXPECT_EQ(std::string(cwd) + "/x", host);
}

TEST_F(FilesTest, OpenPathWritesWhereTheMappingSays) {
  FILE* file = OpenPathA("D:\\report.xml", "wb");
  ASSERT_NE(nullptr, file);
  std::fputs("data", file);
  std::fclose(file);
  EXPECT_TRUE(Exists(root_ + "/d/report.xml"));
  EXPECT_EQ(nullptr, OpenPathA("E:\\report.xml", "wb"));
  EXPECT_EQ(nullptr, OpenPathA("C:\\missing\\report.xml", "wb"));

  EXPECT_TRUE(DeleteFileA("d:\\REPORT.xml") == FALSE);  // host names keep their case
  EXPECT_TRUE(DeleteFileA("D:\\report.xml"));
  EXPECT_FALSE(Exists(root_ + "/d/report.xml"));
  EXPECT_FALSE(DeleteFileA("D:\\report.xml"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), machine_.lastError);
  EXPECT_FALSE(DeleteFileA("C:\\TEMP"));  // a folder is no file
}

TEST_F(FilesTest, TempPathEndsWithABackslash) {
  machine_.facts.tempPath = "C:\\TEMP";
  char path[16];
  EXPECT_EQ(9u, GetTempPathA(8, path));  // too small: the size needed
  EXPECT_EQ(8u, GetTempPathA(9, path));
  EXPECT_STREQ("C:\\TEMP\\", path);
  machine_.facts.ansiCodePage = 932;  // katakana "so" ends in 0x5C, which is no backslash
  machine_.facts.tempPath = "C:\\\x83\x5C";
  EXPECT_EQ(6u, GetTempPathA(sizeof(path), path));
  EXPECT_STREQ("C:\\\x83\x5C\\", path);
  machine_.facts.tempPathWorks = false;
  EXPECT_EQ(0u, GetTempPathA(sizeof(path), path));
}

TEST_F(FilesTest, TempFileNamesAreUniqueAndCreated) {
  char name[MAX_PATH];
  UINT first = GetTempFileNameA("C:\\TEMP", "sorvik", 0, name);
  ASSERT_NE(0u, first);
  EXPECT_STREQ("C:\\TEMP\\sor1.TMP", name);
  EXPECT_TRUE(Exists(root_ + "/c/TEMP/sor1.TMP"));

  FILE* taken = std::fopen((root_ + "/c/TEMP/sor2.TMP").c_str(), "w");  // someone else's
  ASSERT_NE(nullptr, taken);
  std::fclose(taken);
  EXPECT_EQ(3u, GetTempFileNameA("C:\\TEMP\\", "sorvik", 0, name));
  EXPECT_STREQ("C:\\TEMP\\sor3.TMP", name);

  // A number given: the name is only formed.
  EXPECT_EQ(0xABCu, GetTempFileNameA("C:\\TEMP", "x", 0xABC, name));
  EXPECT_STREQ("C:\\TEMP\\xABC.TMP", name);
  EXPECT_FALSE(Exists(root_ + "/c/TEMP/xABC.TMP"));

  EXPECT_EQ(0u, GetTempFileNameA("C:\\NOWHERE", "sorvik", 0, name));
  EXPECT_EQ(0u, GetTempFileNameA("E:\\TEMP", "sorvik", 0, name));
}

}  // namespace
