// The drive list parser: the device section written with a fetcher whose GetDrives answers
// the fuzz input. The section must come out exactly as a plain model of the drive list text
// says, in strict UTF-8 with CR LF line ends, and well-formed whenever the text holds nothing
// that an unescaped attribute cannot carry.
//
// Input: code page byte, then the drive list text.
#include <cstring>
#include <string>

#include "app/globals.h"
#include "app/sections.h"
#include "common/text.h"
#include "fuzz/fuzz_support.h"
#include "hardware/hw_fetcher.h"
#include "report/sorvik_out.h"

namespace {

const size_t kValueCapacity = 2048;
const size_t kSizeTextCapacity = 80;
const int kMaxDriveLines = 30;

// Answers every slot with a fixed text, and the drive list with the input.
class DriveListFetcher : public CHwFetcher {
 public:
  explicit DriveListFetcher(const std::string& drives) : drives_(drives) {}
  bool GetCpu(char* b, int c) override { return Give("CPU", b, c); }
  bool GetRam(char* b, int c) override { return Give("2047.0", b, c); }
  bool GetDrives(char* b, int c) override { return Give(drives_.c_str(), b, c); }
  bool GetMonitor(char* b, int c) override { return Give("monitor", b, c); }
  bool GetMouse(char* b, int c) override { return Give("mouse", b, c); }
  bool GetKeyboard(char* b, int c) override { return Give("keyboard", b, c); }
  bool GetCdrom(char* b, int c) override { return Give("cdrom", b, c); }
  bool GetMedia(char* b, int c) override { return Give("media", b, c); }
  bool GetModem(char* b, int c) override { return Give("modem", b, c); }
  bool GetVideo(char* b, int c) override { return Give("video", b, c); }
  bool GetDefaultPrinter(char* b, int c) override { return Give("printer", b, c); }
  bool GetScsi(char* b, int c) override { return Give("scsi", b, c); }
  bool GetNetwork(char* b, int c) override { return Give("network", b, c); }
  bool GetUsb(char* b, int c) override { return Give("usb", b, c); }

 private:
  static bool Give(const char* text, char* buffer, int capacity) {
    FUZZ_CHECK(capacity == static_cast<int>(kValueCapacity));
    BoundedCopy(buffer, text, capacity);
    return true;
  }
  std::string drives_;
};

std::string SizeText(const std::string& text, size_t start, size_t end) {
  return text.substr(start, end - start).substr(0, kSizeTextCapacity);
}

// The disk element that the drive list text describes (empty without a complete summary).
std::string ModelDisk(const std::string& driveList) {
  std::string list = driveList.substr(0, kValueCapacity);
  size_t total = list.find("TOTAL:");
  if (total == std::string::npos) return "";
  total += 6;
  size_t totalEnd = list.find("M/", total);
  if (totalEnd == std::string::npos) return "";
  size_t available = totalEnd + 2;
  size_t availableEnd = list.find("M)", available);
  if (availableEnd == std::string::npos) return "";
  std::string disk = "\t<disk totalSpaceMb=\"" + SizeText(list, total, totalEnd) +
                     "\" availableSpaceMb=\"" + SizeText(list, available, availableEnd) + "\">\n";

  size_t current = 0;
  for (int count = 0; count < kMaxDriveLines; ++count) {
    if (current >= list.size() || list[current] == '(') break;
    char letter = list[current];
    char kind = current + 2 < list.size() ? list[current + 2] : '\0';
    if (kind == 'C' || kind == 'R') {
      disk += std::string("\t\t<drive type=\"") + (kind == 'C' ? "cd" : "removable") +
              "\" letter=\"" + letter + "\" />\n";
      current += 5;
      continue;
    }
    if (current + 2 > list.size()) break;
    size_t entryTotalEnd = list.find("M/", current + 2);
    if (entryTotalEnd == std::string::npos) break;
    size_t entryAvailableEnd = list.find("M ", entryTotalEnd + 2);
    if (entryAvailableEnd == std::string::npos) break;
    disk += std::string("\t\t<drive type=\"fixed\" letter=\"") + letter + "\" totalSpaceMb=\"" +
            SizeText(list, current + 2, entryTotalEnd) + "\" availableSpaceMb=\"" +
            SizeText(list, entryTotalEnd + 2, entryAvailableEnd) + "\" />\n";
    current = entryAvailableEnd + 2;
  }
  return disk + "\t</disk>\n";
}

std::string ModelSection(const std::string& driveList) {
  std::string section = "<device>\n\t<cpu>CPU</cpu>\n\t<ramMb>2048</ramMb>\n";
  section += ModelDisk(driveList);
  for (const char* name : {"monitor", "mouse", "keyboard", "cdrom", "modem", "video", "media",
                           "network", "defaultPrinter", "scsi", "usb"}) {
    const char* value = std::strcmp(name, "defaultPrinter") == 0 ? "printer" : name;
    section += std::string("\t<") + name + ">" + value + "</" + name + ">\n";
  }
  return section + "</device>\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  UINT codePage = fuzz::CodePageOf(data[0]);
  std::string driveList = fuzz::TextOf(data + 1, size - 1);

  fuzz::FuzzMachine installed(codePage);
  DriveListFetcher fetcher(driveList);
  CSorvikOut out;
  FUZZ_CHECK(out.OpenFile("C:\\device.xml"));
  g_pOut = &out;
  g_pHwFetcher = &fetcher;
  bool written = WriteDeviceSection();
  g_pOut = nullptr;
  g_pHwFetcher = nullptr;
  out.CloseFile();
  FUZZ_CHECK(written);

  std::string bytes = fuzz::HostFolder::Read("device.xml");
  fuzz::CheckReportBytes(bytes);
  const std::string head = std::string("\xEF\xBB\xBF") +
                           fuzz::Written("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n", 1252);
  FUZZ_CHECK(bytes.compare(0, head.size(), head) == 0);
  FUZZ_CHECK(bytes.substr(head.size()) == fuzz::Written(ModelSection(driveList), codePage));

  // Attribute values are written unescaped, which is sound for what a real drive list holds.
  if (driveList.find_first_of("\"<&") == std::string::npos) {
    std::string problem = fuzz::XmlProblem(bytes.substr(3));
    if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
    FUZZ_CHECK(problem.empty());
  }
  return 0;
}
