// The software record file: one line per product, written by the software fetchers and read
// back by the software section. Lines are handled whole, however long they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Writes a registry text into a record line. A line break (or the end-of-file mark that a
// text-mode read on Windows stops at) inside a value becomes a blank, so that one product is
// always one line.
void WriteRecordText(FILE* file, const char* text);

// Reads a text file a whole line at a time, with its line feed (a last line without one is
// returned as it is).
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
  DistinctLines();
  ~DistinctLines();
  DistinctLines(const DistinctLines&) = delete;
  DistinctLines& operator=(const DistinctLines&) = delete;

  // Keeps the line unless an equal one (byte for byte) is kept already. False only when
  // memory is not available.
  bool Add(const char* line, size_t length);
  size_t Count() const { return count_; }
  // Writes the kept lines in order; false when a write failed.
  bool WriteTo(FILE* file) const;

 private:
  struct Entry {
    size_t offset;
    size_t length;
    uint32_t hash;
  };
  bool Reserve(size_t textLength);
  bool GrowTable();
  void Place(size_t entryIndex);

  char* text_;
  size_t textUsed_;
  size_t textCapacity_;
  Entry* entries_;
  size_t count_;
  size_t entryCapacity_;
  uint32_t* table_;  // entry index + 1 per slot, 0 for an empty slot
  size_t tableSize_;
};
