// The software record line: the one place that knows its layout. A line holds nine fields;
// field N (1 to 8) is closed by the marker "/N", the ninth by the line feed. A system
// component's line starts with "+", which reads back as the first character of field 1.
// The scans write lines through RecordLineWriter; SWInfo splits them with SplitRecordLine.
#pragma once

#include <cstddef>
#include <cstdio>

enum { kRecordFieldCount = 9, kRecordMarkerLength = 2 };

extern const char kSystemComponentMark[];

// The marker that closes field `number` (1 to 8): "/1" to "/8".
const char* RecordMarker(int number);

// Writes a registry text into a record line. A line break (or the end-of-file mark that a
// text-mode read on Windows stops at) inside a value becomes a blank, so that one product is
// always one line.
void WriteRecordText(FILE* file, const char* text);

// Writes one record line field by field, in order. Every field is closed as it is written, so
// all eight markers stand in the line whether or not the fields hold text.
class RecordLineWriter {
 public:
  // Starts the line, with the system-component mark when asked.
  RecordLineWriter(FILE* file, bool systemComponent);
  RecordLineWriter(const RecordLineWriter&) = delete;
  RecordLineWriter& operator=(const RecordLineWriter&) = delete;

  // Writes `text` as the next field and closes it: with its marker, the ninth with the line
  // feed. Nothing is written once the line has ended.
  void Field(const char* text);
  // Closes the fields not written yet, empty, and so ends the line.
  void Finish();

 private:
  FILE* file_;
  int next_;  // the number of the next field, kRecordFieldCount + 1 once the line has ended
};

// Whether field 1 as read back, `name`, starts with the system-component mark, and the name
// without it.
bool HasSystemComponentMark(const char* name);
const char* WithoutSystemComponentMark(const char* name);

// A caller's area for one field: at most `capacity` characters, plus the terminator.
struct RecordFieldArea {
  char* text;
  int capacity;
};
template <size_t N>
RecordFieldArea FieldArea(char (&area)[N]) {
  static_assert(N > 1, "an area holds a capacity and a terminator");
  return RecordFieldArea{area, static_cast<int>(N - 1)};
}

// Removes the last character of `text` when it is a line feed or a carriage return.
void TrimRecordLineEnd(char* text);

// Splits a line as read from the record file into the nine areas, in line order; a field is
// cut to its area and loses one line-end character. Only the first kRecordLineCapacity
// characters count, and markers are found by their first occurrence anywhere in them, so a
// marker text inside a value moves the split; the line is never rejected. Without "/1" the
// whole line is field 1 and no other field is filled; a middle field needs both of its
// markers; the ninth runs from the first "/8" to the end. Areas of fields not found are left
// as they are.
void SplitRecordLine(const char* line, const RecordFieldArea (&fields)[kRecordFieldCount]);
