// The software record file: WriteRecordText, the whole-line reader, duplicate removal in
// memory (DistinctLines) and on a file (CSwFetcher::RemoveDuplicateLines), against a plain
// model of lines: pieces ending with a line feed, and a last piece without one.
//
// Input: the file's bytes. Record files never hold a NUL byte (values are C texts); for input
// with one, only the invariants that hold for any bytes are checked.
#include <stdio.h>

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "software/record_file.h"
#include "software/record_line.h"
#include "software/sw_fetcher.h"

namespace {

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::vector<std::string> Distinct(const std::vector<std::string>& lines) {
  std::vector<std::string> kept;
  std::unordered_set<std::string> seen;
  for (const std::string& line : lines)
    if (seen.insert(line).second) kept.push_back(line);
  return kept;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

// Reads the bytes back through RecordLineReader over a memory stream.
std::vector<std::string> ReadLines(const std::string& bytes, bool anyBytes) {
  std::vector<std::string> lines;
  if (bytes.empty()) return lines;  // fmemopen wants a buffer of at least one byte
  std::string copy(bytes);
  FILE* file = fmemopen(&copy[0], copy.size(), "r");
  FUZZ_CHECK(file != nullptr);
  {
    RecordLineReader reader(file);
    while (reader.Next()) {
      FUZZ_CHECK(reader.Length() > 0);
      FUZZ_CHECK(std::strlen(reader.Line()) == reader.Length());
      std::string line(reader.Line(), reader.Length());
      // A line feed only at the end of a line.
      size_t feed = line.find('\n');
      FUZZ_CHECK(feed == std::string::npos || feed == line.size() - 1);
      lines.push_back(line);
    }
    FUZZ_CHECK(!reader.Failed());
    FUZZ_CHECK(!reader.Next());
  }
  std::fclose(file);
  if (!anyBytes) FUZZ_CHECK(Joined(lines) == bytes);
  // Every line but the last ends with its line feed.
  for (size_t i = 0; i + 1 < lines.size(); ++i) FUZZ_CHECK(lines[i].back() == '\n');
  return lines;
}

void CheckRecordText(const std::string& text) {
  char* buffer = nullptr;
  size_t length = 0;
  FILE* file = open_memstream(&buffer, &length);
  FUZZ_CHECK(file != nullptr);
  WriteRecordText(file, text.c_str());
  std::fclose(file);
  std::string written(buffer, length);
  std::free(buffer);
  std::string expected = text;
  for (char& c : expected)
    if (c == '\r' || c == '\n' || c == '\x1a') c = ' ';
  FUZZ_CHECK(written == expected);
  FUZZ_CHECK(Lines(written + "\n").size() == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  bool anyBytes = bytes.find('\0') != std::string::npos;

  CheckRecordText(fuzz::TextOf(data, size));

  std::vector<std::string> lines = ReadLines(bytes, anyBytes);
  if (!anyBytes) FUZZ_CHECK(lines == Lines(bytes));

  DistinctLines distinct;
  for (const std::string& line : lines) FUZZ_CHECK(distinct.Add(line.data(), line.size()));
  std::vector<std::string> kept = Distinct(lines);
  FUZZ_CHECK(distinct.Count() == kept.size());
  char* buffer = nullptr;
  size_t length = 0;
  FILE* memory = open_memstream(&buffer, &length);
  FUZZ_CHECK(memory != nullptr);
  FUZZ_CHECK(distinct.WriteTo(memory));
  std::fclose(memory);
  std::string rewritten(buffer, length);
  std::free(buffer);
  FUZZ_CHECK(rewritten == Joined(kept));

  // The same through the fetcher, on a file of the simulated C: drive.
  fuzz::FuzzMachine installed;
  fuzz::HostFolder::Write("records.txt", bytes);
  CSwFetcher fetcher;
  FUZZ_CHECK(fetcher.RemoveDuplicateLines("C:\\records.txt"));
  std::string file = fuzz::HostFolder::Read("records.txt");
  FUZZ_CHECK(file == Joined(kept));
  if (!anyBytes) FUZZ_CHECK(file == Joined(Distinct(Lines(bytes))));
  return 0;
}
