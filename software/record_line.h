// The software record line: the one place that knows its layout. A line holds nine fields;
// field N (1 to 8) is closed by the marker "/N", the ninth by the line feed. A system
// component's line starts with "+", which reads back as the first character of field 1.
// The scans write lines through RecordLineWriter; SWInfo splits them with SplitRecordLine.
#pragma once

#include <cstddef>
#include <cstdio>

#include "common/capacities.h"

// The fields in the order of the line.
enum RecordField {
  kRecordName,
  kRecordVersion,
  kRecordPublisher,
  kRecordLocation,
  kRecordRegisteredCompany,
  kRecordRegisteredOwner,
  kRecordProductId,
  kRecordInstallDate,
  kRecordSize,
  kRecordFieldCount
};
enum { kRecordMarkerLength = 2 };

// What each field is: the marker that closes it in the line, the uninstall entry's value it is
// read from, how much of it SWInfo keeps, the number SWInfo::GetField hands it out by, and
// its report element.
struct RecordFieldInfo {
  const char* closingMarker;
  const char* uninstallValue;
  int capacity;
  int number;
  const char* element;
};
constexpr RecordFieldInfo kRecordFields[kRecordFieldCount] = {
    {"/1", "DisplayName", kSoftwareNameCapacity, 0, "name"},
    {"/2", "DisplayVersion", kSoftwareVersionCapacity, 1, "version"},
    {"/3", "Publisher", kSoftwarePublisherCapacity, 6, "publisher"},
    {"/4", "InstallLocation", kSoftwareLocationCapacity, 2, "location"},
    {"/5", "RegCompany", kSoftwareRegisteredCapacity, 3, "registeredCompany"},
    {"/6", "RegOwner", kSoftwareRegisteredCapacity, 4, "registeredOwner"},
    {"/7", "ProductID", kSoftwareProductIdCapacity, 5, "productId"},
    {"/8", "InstallDate", kSoftwareInstallDateCapacity, 7, "installDate"},
    {"\n", "EstimatedSize", kSoftwareSizeCapacity, 8, "size"},
};

extern const char kSystemComponentMark[];

// Writes a registry text into a record line. A line break (or the end-of-file mark that a
// text-mode read on Windows stops at) inside a value becomes a blank, so that one product is
// always one line.
void WriteRecordText(FILE* file, const char* text);

// Writes one record line field by field, in line order. Every field is closed as it is written,
// so all eight markers stand in the line whether or not the fields hold text.
class RecordLineWriter {
 public:
  // Starts the line, with the system-component mark when asked.
  RecordLineWriter(FILE* file, bool systemComponent);
  RecordLineWriter(const RecordLineWriter&) = delete;
  RecordLineWriter& operator=(const RecordLineWriter&) = delete;

  // Closes the fields before `field` not written yet, empty, then writes `text` as `field` and
  // closes it. A field at or behind one already written is ignored.
  void Field(RecordField field, const char* text);
  // Closes the fields not written yet, empty, and so ends the line.
  void Finish();

 private:
  void Close(const char* text);

  FILE* file_;
  int next_;  // the next field to write, kRecordFieldCount once the line has ended
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
