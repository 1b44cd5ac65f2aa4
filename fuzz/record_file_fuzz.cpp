// The software record file: WriteRecordText, RecordLineReader and duplicate removal on a file
// (CSwFetcher::RemoveDuplicateLines), against plain lines: pieces ending with a line feed, and
// a last piece without one. Record files never hold a NUL byte (values are C texts); for input
// with one only the invariants that hold for any bytes are checked.
#include <stdio.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "software/record_file.h"
#include "software/record_line.h"
#include "software/sw_fetcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  bool text = bytes.find('\0') == std::string::npos;
  std::vector<std::string> lines, distinct;
  std::set<std::string> seen;
  for (size_t start = 0, end; start < size; start = end) {
    end = std::min(bytes.find('\n', start), size - 1) + 1;
    lines.push_back(bytes.substr(start, end - start));
    if (seen.insert(lines.back()).second) distinct.push_back(lines.back());
  }

  // A value in a record line: line breaks and the end-of-file mark become blanks.
  char* buffer = nullptr;
  size_t length = 0;
  FILE* memory = open_memstream(&buffer, &length);
  std::string value = fuzz::TextOf(data, size), expected = value;
  WriteRecordText(memory, value.c_str());
  std::fclose(memory);
  for (char& c : expected)
    if (c == '\r' || c == '\n' || c == '\x1a') c = ' ';
  FUZZ_CHECK(std::string(buffer, length) == expected);
  std::free(buffer);

  // Whole lines, however long, each with its line feed.
  if (size > 0) {
    FILE* file = fmemopen(&bytes[0], size, "r");
    RecordLineReader reader(file);
    size_t count = 0;
    while (reader.Next()) {
      FUZZ_CHECK(reader.Length() > 0 && std::strlen(reader.Line()) == reader.Length());
      FUZZ_CHECK(!text || (count < lines.size() &&
                           std::string(reader.Line(), reader.Length()) == lines[count++]));
    }
    FUZZ_CHECK(!reader.Failed() && (!text || count == lines.size()));
    std::fclose(file);
  }

  // The file on the simulated C: drive keeps each line once, in first-seen order.
  fuzz::FuzzMachine installed;
  std::ofstream(fuzz::HostFolder::Path() + "/records.txt", std::ios::binary) << bytes;
  CSwFetcher fetcher;
  FUZZ_CHECK(fetcher.RemoveDuplicateLines("C:\\records.txt"));
  std::string kept;
  for (const std::string& line : distinct) kept += line;
  FUZZ_CHECK(!text || fuzz::HostFolder::Read("records.txt") == kept);
  return 0;
}
