// The software record file: one line per product, written by the software fetchers and read
// back by the software section. Lines are handled whole, however long they are.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

// Reads a text file a whole line at a time, with its line feed (a last line without one is
// returned as it is). Written by hand over fgets: the file is a C stream opened through the
// seam (text mode on Windows), and a line that can't get the memory it needs must end the
// read with Failed(), not with an exception.
class RecordLineReader {
 public:
  explicit RecordLineReader(FILE* file);
  ~RecordLineReader();
  RecordLineReader(const RecordLineReader&) = delete;
  RecordLineReader& operator=(const RecordLineReader&) = delete;

  // False at the end of the file, and when a read or the memory for a line failed.
  bool Next();
  const char* Line() const { return line_; }
  size_t Length() const { return length_; }
  // True when reading stopped for another reason than the end of the file.
  bool Failed() const { return failed_; }

 private:
  bool Grow();

  FILE* file_;
  char* line_;
  size_t capacity_;
  size_t length_;
  bool failed_;
};

// The distinct lines of a file in order of first appearance; each line is looked up by its
// hash, so keeping n lines costs about n comparisons, not n squared.
class DistinctLines {
 public:
  DistinctLines() = default;
  DistinctLines(const DistinctLines&) = delete;
  DistinctLines& operator=(const DistinctLines&) = delete;

  // Keeps the line unless an equal one (byte for byte) is kept already. False only when
  // memory is not available; the set is then incomplete and only fit to be dropped.
  bool Add(const char* line, size_t length);
  size_t Count() const { return order_.size(); }
  // Writes the kept lines in order; false when a write failed.
  bool WriteTo(FILE* file) const;

 private:
  std::unordered_set<std::string> lines_;
  // Elements of an unordered_set keep their place when it rehashes, so the order can point
  // at them.
  std::vector<const std::string*> order_;
};
