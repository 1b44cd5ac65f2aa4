// SWInfo::ParseLine and GetField on any line: every field is a piece of the line's counted part
// within its area, and an object that held another line reads it exactly as a fresh one.
#include <cstring>
#include <string>

#include "common/capacities.h"
#include "fuzz/fuzz_support.h"
#include "software/sw_info.h"

namespace {

void CheckSame(SWInfo& reused, const std::string& line) {
  SWInfo fresh;
  int parsed = line.empty() ? 0 : 1;
  FUZZ_CHECK(reused.ParseLine(line.c_str()) == parsed && fresh.ParseLine(line.c_str()) == parsed);
  if (line.empty()) return;
  const std::string counted = line.substr(0, kRecordLineCapacity);
  for (int index = -1; index <= 9; ++index) {
    // The section's value area, with room for the longest field and nothing more.
    char value[kElementValueCapacity + 1] = {};
    char again[kElementValueCapacity + 1] = {};
    int found = reused.GetField(index, value);
    FUZZ_CHECK(found == fresh.GetField(index, again) && std::strcmp(value, again) == 0);
    FUZZ_CHECK(found == (value[0] != '\0' ? 1 : 0) && std::strlen(value) < sizeof(fresh.Name) &&
               counted.find(value) != std::string::npos);
  }
  FUZZ_CHECK(reused.IsUpdate() == fresh.IsUpdate());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line = fuzz::TextOf(data, size);
  SWInfo info;
  CheckSame(info, line);
  size_t cut = line.empty() ? 0 : static_cast<uint8_t>(line[0]) % (line.size() + 1);
  CheckSame(info, line.substr(cut));
  CheckSame(info, line);
  return 0;
}
