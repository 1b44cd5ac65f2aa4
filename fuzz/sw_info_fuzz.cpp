// Record-line parsing and classification: SWInfo::ParseLine, GetField and IsUpdate against
// a plain model of the record line, for any bytes.
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "software/sw_info.h"

namespace {

const size_t kLineCapacity = 1024;
const size_t kValueCapacity = 2048;

std::string TrimOne(std::string text) {
  if (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// The text between `opening` and `closing` in the first 1024 characters of the line: to the
// end of the line when the closing marker comes first, empty when either marker is missing.
std::string MiddleField(const std::string& line, const char* opening, const char* closing,
                        size_t capacity) {
  size_t open = line.find(opening);
  size_t close = line.find(closing);
  if (open == std::string::npos || close == std::string::npos) return std::string();
  std::string text = close > open ? line.substr(open + 2, close - open - 2) : line.substr(open + 2);
  return TrimOne(text.substr(0, capacity));
}

struct Expected {
  std::string fields[9];  // by field number
};

Expected Model(const std::string& fullLine) {
  std::string line = fullLine.substr(0, kLineCapacity);
  Expected e;
  e.fields[0] = TrimOne(line.substr(0, line.find("/1")).substr(0, 256));
  if (line.find("/1") == std::string::npos) return e;
  e.fields[1] = MiddleField(line, "/1", "/2", 30);
  e.fields[6] = MiddleField(line, "/2", "/3", 80);
  e.fields[2] = MiddleField(line, "/3", "/4", 256);
  e.fields[3] = MiddleField(line, "/4", "/5", 80);
  e.fields[4] = MiddleField(line, "/5", "/6", 80);
  e.fields[5] = MiddleField(line, "/6", "/7", 80);
  e.fields[7] = MiddleField(line, "/7", "/8", 20);
  size_t size = line.find("/8");
  if (size != std::string::npos) e.fields[8] = TrimOne(line.substr(size + 2).substr(0, 20));
  return e;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

int ModelIsUpdate(const std::string& name, const std::string& publisher) {
  if (name.size() < 3 || publisher.empty()) return 0;
  std::string upperName = Upper(name[0] == '+' ? name.substr(1) : name);
  if (Upper(publisher).find("MICROSOFT") == std::string::npos) return 0;
  for (const char* word : {"HOTFIX", "UPDATE", "(KB", "- KB", " KB"})
    if (upperName.find(word) != std::string::npos) return 1;
  return upperName.compare(0, 2, "KB") == 0 && upperName.size() == 8 ? 1 : 0;
}

template <size_t N>
void CheckTerminated(const char (&field)[N]) {
  FUZZ_CHECK(std::memchr(field, '\0', N) != nullptr);
}

void CheckParsed(SWInfo& info, const std::string& line) {
  int parsed = info.ParseLine(line.c_str());
  FUZZ_CHECK(parsed == (line.empty() ? 0 : 1));
  if (parsed == 0) return;

  CheckTerminated(info.Name);
  CheckTerminated(info.Version);
  CheckTerminated(info.Publisher);
  CheckTerminated(info.Location);
  CheckTerminated(info.RegisteredCompany);
  CheckTerminated(info.RegisteredOwner);
  CheckTerminated(info.ProductId);
  CheckTerminated(info.InstallDate);
  CheckTerminated(info.Size);

  Expected expected = Model(line);
  // The software section's value area: zero-filled, one longer than its capacity, and
  // guarded behind so that a copy past it is caught.
  static char value[kValueCapacity + 1 + 64];
  for (int index = -2; index <= 10; ++index) {
    std::memset(value, 0, sizeof value);
    int found = info.GetField(index, value);
    if (index < 0 || index > 8) {
      FUZZ_CHECK(found == 0);
      FUZZ_CHECK(value[0] == '\0');
      continue;
    }
    const std::string& want = expected.fields[index];
    FUZZ_CHECK(found == (want.empty() ? 0 : 1));
    FUZZ_CHECK(std::strlen(value) <= kValueCapacity);
    FUZZ_CHECK(want == value);
  }
  int update = info.IsUpdate();
  FUZZ_CHECK(update == ModelIsUpdate(expected.fields[0], expected.fields[6]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line = fuzz::TextOf(data, size);
  SWInfo info;
  CheckParsed(info, line);
  // A second line parsed into the same object must leave nothing of the first behind.
  size_t cut = line.empty() ? 0 : static_cast<uint8_t>(line[0]) % (line.size() + 1);
  CheckParsed(info, line.substr(cut));
  CheckParsed(info, line);
  return 0;
}
