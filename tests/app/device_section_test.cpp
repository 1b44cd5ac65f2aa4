// The device section as it lands in the report: processor, memory size, the disk element
// parsed from the drive list text, and the eleven device elements.
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/sections.h"
#include "common/text.h"
#include "hardware/hw_fetcher.h"
#include "hardware/hw_fetcher_2000.h"
#include "hardware/hw_fetcher_2003.h"
#include "hardware/hw_fetcher_9598me.h"
#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "report/sorvik_out.h"
#include "tests/hardware/hardware_test_support.h"

namespace {

// A fetcher whose answers the test sets; it records the order of the calls.
class ScriptedFetcher : public CHwFetcher {
 public:
  std::string cpu = "Intel(R) Core(TM)2 CPU";
  std::string ram = "2047.0";
  std::string drives = "A:RM C:953M/412M D:CD (TOTAL:953M/412M)";
  std::map<std::string, std::pair<bool, std::string>> devices;  // element name: answer
  std::vector<std::string> calls;

  bool GetCpu(char* b, int c) override { return Give("cpu", true, cpu, b, c); }
  bool GetRam(char* b, int c) override { return Give("ram", true, ram, b, c); }
  bool GetDrives(char* b, int c) override { return Give("drives", true, drives, b, c); }
  bool GetMonitor(char* b, int c) override { return Device("monitor", b, c); }
  bool GetMouse(char* b, int c) override { return Device("mouse", b, c); }
  bool GetKeyboard(char* b, int c) override { return Device("keyboard", b, c); }
  bool GetCdrom(char* b, int c) override { return Device("cdrom", b, c); }
  bool GetMedia(char* b, int c) override { return Device("media", b, c); }
  bool GetModem(char* b, int c) override { return Device("modem", b, c); }
  bool GetVideo(char* b, int c) override { return Device("video", b, c); }
  bool GetDefaultPrinter(char* b, int c) override { return Device("defaultPrinter", b, c); }
  bool GetScsi(char* b, int c) override { return Device("scsi", b, c); }
  bool GetNetwork(char* b, int c) override { return Device("network", b, c); }
  bool GetUsb(char* b, int c) override { return Device("usb", b, c); }

 private:
  bool Give(const char* name, bool result, const std::string& text, char* b, int c) {
    calls.push_back(name);
    EXPECT_EQ(c, 2048);
    for (int i = 0; i <= c; ++i) EXPECT_EQ(b[i], '\0') << name << " buffer not zero-filled";
    BoundedCopy(b, text.c_str(), c);
    return result;
  }
  bool Device(const char* name, char* b, int c) {
    auto found = devices.find(name);
    if (found == devices.end()) return Give(name, true, std::string(name) + " text", b, c);
    return Give(name, found->second.first, found->second.second, b, c);
  }
};

// Runs the section into a report file on a simulated C: drive and gives back its lines
// after the declaration, with LF line ends.
class DeviceSectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sorvik-hardware-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    machine_ =
        sim::MachineBuilder().With([&](sim::Facts& f) { f.driveFolders['C'] = folder_; }).Build();
    installed_.reset(new sim::ScopedMachine(*machine_));
  }
  void TearDown() override {
    g_pOut = nullptr;
    g_pHwFetcher = nullptr;
    installed_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string Run(CHwFetcher& fetcher, bool* result = nullptr) {
    CSorvikOut out;
    EXPECT_TRUE(out.OpenFile("C:\\device.xml"));
    g_pOut = &out;
    g_pHwFetcher = &fetcher;
    bool written = WriteDeviceSection();
    if (result != nullptr) *result = written;
    out.CloseFile();
    std::ifstream in(folder_ + "/device.xml", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    for (char c : bytes)
      if (c != '\r') text += c;
    size_t declarationEnd = text.find("?>\n");
    EXPECT_NE(declarationEnd, std::string::npos);
    return text.substr(declarationEnd + 3);
  }

  // The section between the memory element and the first device element.
  std::string DiskPart(const std::string& drives) {
    ScriptedFetcher fetcher;
    fetcher.drives = drives;
    std::string section = Run(fetcher);
    size_t start = section.find("</ramMb>\n");
    size_t end = section.find("\t<monitor>");
    EXPECT_NE(start, std::string::npos);
    EXPECT_NE(end, std::string::npos);
    start += 9;
    return section.substr(start, end - start);
  }

  std::string folder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
};

TEST_F(DeviceSectionTest, WritesEveryElementInReportOrder) {
  ScriptedFetcher fetcher;
  bool result = false;
  EXPECT_EQ(Run(fetcher, &result),
            "<device>\n"
            "\t<cpu>Intel(R) Core(TM)2 CPU</cpu>\n"
            "\t<ramMb>2048</ramMb>\n"
            "\t<disk totalSpaceMb=\"953\" availableSpaceMb=\"412\">\n"
            "\t\t<drive type=\"removable\" letter=\"A\" />\n"
            "\t\t<drive type=\"fixed\" letter=\"C\" totalSpaceMb=\"953\" availableSpaceMb=\"412\" "
            "/>\n"
            "\t\t<drive type=\"cd\" letter=\"D\" />\n"
            "\t</disk>\n"
            "\t<monitor>monitor text</monitor>\n"
            "\t<mouse>mouse text</mouse>\n"
            "\t<keyboard>keyboard text</keyboard>\n"
            "\t<cdrom>cdrom text</cdrom>\n"
            "\t<modem>modem text</modem>\n"
            "\t<video>video text</video>\n"
            "\t<media>media text</media>\n"
            "\t<network>network text</network>\n"
            "\t<defaultPrinter>defaultPrinter text</defaultPrinter>\n"
            "\t<scsi>scsi text</scsi>\n"
            "\t<usb>usb text</usb>\n"
            "</device>\n");
  EXPECT_TRUE(result);
  EXPECT_EQ(fetcher.calls, (std::vector<std::string>{"cpu", "ram", "drives", "monitor", "mouse",
                                                     "keyboard", "cdrom", "modem", "video", "media",
                                                     "network", "defaultPrinter", "scsi", "usb"}));
}

TEST_F(DeviceSectionTest, AFailedSlotGivesAnEmptyElementWhateverItWrote) {
  ScriptedFetcher fetcher;
  fetcher.devices["usb"] = {false, "None"};
  fetcher.devices["monitor"] = {false, ""};
  fetcher.devices["scsi"] = {true, ""};
  fetcher.devices["video"] = {true, "A & B <C>"};
  std::string section = Run(fetcher);
  EXPECT_NE(section.find("\t<monitor />\n\t<mouse>"), std::string::npos);
  EXPECT_NE(section.find("\t<scsi />\n\t<usb />\n</device>\n"), std::string::npos);
  EXPECT_NE(section.find("\t<video>A &amp; B &lt;C&gt;</video>\n"), std::string::npos);
}

TEST_F(DeviceSectionTest, MemoryWithoutPointGivesAnEmptyElement) {
  ScriptedFetcher fetcher;
  fetcher.ram = "2047";
  EXPECT_NE(Run(fetcher).find("\t<ramMb />\n"), std::string::npos);
  fetcher.ram = "511.5";
  EXPECT_NE(Run(fetcher).find("\t<ramMb>512</ramMb>\n"), std::string::npos);
}

struct DiskCase {
  const char* what;
  std::string drives;
  std::string expected;
};

class DiskLinesTest : public DeviceSectionTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(DiskLinesTest, ParsesTheDriveListText) {
  EXPECT_EQ(DiskPart(GetParam().drives), GetParam().expected) << GetParam().what;
}

std::string Removable(char letter) {
  return std::string("\t\t<drive type=\"removable\" letter=\"") + letter + "\" />\n";
}
std::string Cd(char letter) {
  return std::string("\t\t<drive type=\"cd\" letter=\"") + letter + "\" />\n";
}
std::string Fixed(char letter, const std::string& total, const std::string& available) {
  return std::string("\t\t<drive type=\"fixed\" letter=\"") + letter + "\" totalSpaceMb=\"" +
         total + "\" availableSpaceMb=\"" + available + "\" />\n";
}
std::string DiskStart(const std::string& total, const std::string& available) {
  return "\t<disk totalSpaceMb=\"" + total + "\" availableSpaceMb=\"" + available + "\">\n";
}

std::string Repeat(const std::string& piece, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += piece;
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    DriveLists, DiskLinesTest,
    ::testing::Values(
        DiskCase{"summary only", "(TOTAL:0M/0M)", DiskStart("0", "0") + "\t</disk>\n"},
        DiskCase{"no summary: no disk element", "A:RM C:953M/412M ", ""},
        DiskCase{"summary without its free part", "C:1M/1M (TOTAL:1M/", ""},
        DiskCase{"summary not closed", "C:1M/1M (TOTAL:1M/1M", ""}, DiskCase{"empty text", "", ""},
        DiskCase{"an unreadable entry ends the lines, the end line stays",
                 "A:RM C:953M/412 (TOTAL:953M/412M)",
                 DiskStart("953", "412") + Removable('A') + "\t</disk>\n"},
        DiskCase{"an entry whose sizes can't be read ends the lines", "C:abc D:CD (TOTAL:1M/1M)",
                 DiskStart("1", "1") + "\t</disk>\n"},
        DiskCase{"a fixed drive with nothing free", "C:20M/0M (TOTAL:20M/0M)",
                 DiskStart("20", "0") + Fixed('C', "20", "0") + "\t</disk>\n"},
        DiskCase{"26 drives give 26 lines",
                 Repeat("X:CD ", 20) + "Y:10M/2M Y:10M/2M Y:10M/2M Y:10M/2M Y:10M/2M "
                                       "Z:RM (TOTAL:50M/10M)",
                 DiskStart("50", "10") + Repeat(Cd('X'), 20) + Repeat(Fixed('Y', "10", "2"), 5) +
                     Removable('Z') + "\t</disk>\n"},
        DiskCase{"at most 30 lines", Repeat("D:CD ", 35) + "(TOTAL:0M/0M)",
                 DiskStart("0", "0") + Repeat(Cd('D'), 30) + "\t</disk>\n"},
        DiskCase{"sizes longer than 80 characters are cut",
                 "C:" + std::string(90, '7') + "M/5M (TOTAL:" + std::string(90, '8') + "M/5M)",
                 DiskStart(std::string(80, '8'), "5") + Fixed('C', std::string(80, '7'), "5") +
                     "\t</disk>\n"}),
    [](const ::testing::TestParamInfo<DiskCase>& info) {
      return "Case" + std::to_string(info.index);
    });

// Texts no fetcher makes: the section must neither crash nor read outside its buffers
// (the sanitizers watch), and the disk element stays balanced.
TEST_F(DeviceSectionTest, SurvivesArbitraryDriveListTexts) {
  std::mt19937 engine(20070502);
  const std::string alphabet = "ACDRM:/ 0123456789(TOTAL)";
  for (int round = 0; round < 300; ++round) {
    std::string text;
    size_t length = engine() % 2 == 0 ? engine() % 60 : 2000 + engine() % 200;
    for (size_t i = 0; i < length; ++i) text += alphabet[engine() % alphabet.size()];
    if (round % 3 == 0) text += "(TOTAL:1M/1M)";
    std::string disk = DiskPart(text);
    if (disk.empty()) continue;
    EXPECT_EQ(disk.rfind("\t<disk ", 0), 0u) << text;
    EXPECT_EQ(disk.substr(disk.size() - 9), "\t</disk>\n") << text;
  }
}

// The report element order holds for every class of the chain, over a real machine.
template <class Fetcher>
class SectionOrderTest : public DeviceSectionTest {};

typedef ::testing::Types<CHwFetcher, CHwFetcher9598Me, CHwFetcher2000, CHwFetcher2003, CHwFetcherXp,
                         CHwFetcherVista>
    AllFetchers;
TYPED_TEST_SUITE(SectionOrderTest, AllFetchers);

TYPED_TEST(SectionOrderTest, WritesTheElementsInReportOrder) {
  this->machine_->facts.drives[2].type = DRIVE_FIXED;
  this->machine_->facts.drives[2].totalBytes = 10ull << 20;
  TypeParam fetcher;
  std::string section = this->Run(fetcher);
  std::vector<std::string> names;
  for (size_t at = section.find('<'); at != std::string::npos; at = section.find('<', at + 1)) {
    size_t end = section.find_first_of(" >", at);
    std::string name = section.substr(at + 1, end - at - 1);
    if (name[0] != '/' && name != "drive") names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"device", "cpu", "ramMb", "disk", "monitor", "mouse",
                                             "keyboard", "cdrom", "modem", "video", "media",
                                             "network", "defaultPrinter", "scsi", "usb"}));
  EXPECT_NE(section.find("\t<monitor />\n"), std::string::npos);  // nothing to find
  EXPECT_EQ(section.find("None"), std::string::npos);
  EXPECT_EQ(this->machine_->OpenHandleCount(), 0);
}

// NormalizeRamSize over every range of its table, at both ends and just outside.
struct RamRange {
  int low, high, size;
};
const RamRange kRanges[] = {{11, 21, 16},       {27, 37, 32},      {43, 53, 48},
                            {59, 69, 64},       {123, 133, 128},   {246, 266, 256},
                            {502, 522, 512},    {758, 778, 768},   {1014, 1034, 1024},
                            {2038, 2058, 2048}, {4086, 4106, 4096}};

std::string Normalize(const std::string& memoryText, bool* result = nullptr) {
  char out[80];
  std::memset(out, 0, sizeof(out));
  std::vector<char> text(memoryText.begin(), memoryText.end());
  text.push_back('\0');
  bool normalized = NormalizeRamSize(out, text.data());
  if (result != nullptr) *result = normalized;
  return out;
}

TEST(NormalizeRamSize, RoundsToTheStandardSizeWithinEachRange) {
  for (const RamRange& range : kRanges) {
    std::string size = std::to_string(range.size);
    EXPECT_EQ(Normalize(std::to_string(range.low) + ".0"), size) << range.low;
    EXPECT_EQ(Normalize(std::to_string(range.high) + ".9"), size) << range.high;
    int below = range.low - 1, above = range.high + 1;
    EXPECT_EQ(Normalize(std::to_string(below) + ".5"),
              std::to_string(below < 1024 ? below + 1 : below + 2))
        << below;
    EXPECT_EQ(Normalize(std::to_string(above) + ".0"),
              std::to_string(above < 1024 ? above + 1 : above + 2))
        << above;
  }
}

TEST(NormalizeRamSize, AddsOneBelow1024AndTwoFromThere) {
  struct {
    const char* text;
    const char* expected;
  } cases[] = {{"2047.0", "2048"}, {"1000.0", "1001"}, {"3000.0", "3002"},   {"511.5", "512"},
               {"0.0", "1"},       {"-5.0", "-4"},     {"-2000.0", "-1999"}, {"1023.9", "1024"},
               {" 7.0", "8"},      {"+9.1", "10"},     {"abc.0", "1"},       {"12ab.0", "16"},
               {".5", "1"},        {"8192.0", "8194"}, {"1.2.3", "2"}};
  for (const auto& c : cases) EXPECT_EQ(Normalize(c.text), c.expected) << c.text;
}

TEST(NormalizeRamSize, HugeNumbersStayWithinTheIntegerRange) {
  EXPECT_EQ(Normalize("99999999999999999999.0"), std::to_string(INT_MAX));
  EXPECT_EQ(Normalize("-99999999999999999999.0"), std::to_string(INT_MIN + 1));
}

TEST(NormalizeRamSize, WithoutPointLeavesTheOutputUntouched) {
  char out[80] = "kept";
  char text[] = "2048";
  EXPECT_FALSE(NormalizeRamSize(out, text));
  EXPECT_STREQ(out, "kept");

  char pointed[] = "2047.5";
  EXPECT_TRUE(NormalizeRamSize(out, pointed));
  EXPECT_STREQ(pointed, "2047");  // the point became the terminator
}

}  // namespace
