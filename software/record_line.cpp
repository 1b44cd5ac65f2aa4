#include "software/record_line.h"

#include <cstring>

#include "common/capacities.h"
#include "common/text.h"

namespace {

typedef char LineCopy[kRecordLineCapacity + 1];

// A fresh working copy of a record line: its first kRecordLineCapacity characters, zero-filled
// behind, so that every field is cut from the line as it was read.
void CopyLine(LineCopy& copy, const char* line) {
  std::memset(copy, 0, sizeof(copy));
  BoundedCopy(copy, line);
}

void TakeField(const char* start, const RecordFieldArea& field) {
  BoundedCopy(field.text, start, field.capacity);
  TrimRecordLineEnd(field.text);
}

}  // namespace

const char kSystemComponentMark[] = "+";

// The text goes out in pieces of a small area rather than a byte at a time or through a copy
// of the whole value.
void WriteRecordText(FILE* file, const char* text) {
  char piece[256 + 1];
  size_t used = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    char c = *p;
    if (c == '\r' || c == '\n' || c == '\x1a') c = ' ';
    piece[used++] = c;
    if (used == sizeof(piece) - 1) {
      std::fwrite(piece, 1, used, file);
      used = 0;
    }
  }
  if (used > 0) std::fwrite(piece, 1, used, file);
}

RecordLineWriter::RecordLineWriter(FILE* file, bool systemComponent) : file_(file), next_(0) {
  if (systemComponent) std::fputs(kSystemComponentMark, file_);
}

void RecordLineWriter::Field(RecordField field, const char* text) {
  if (field < next_) return;
  while (next_ < field) Close(nullptr);
  Close(text);
}

void RecordLineWriter::Finish() {
  while (next_ < kRecordFieldCount) Close(nullptr);
}

void RecordLineWriter::Close(const char* text) {
  if (text != nullptr) WriteRecordText(file_, text);
  std::fputs(kRecordFields[next_].closingMarker, file_);
  ++next_;
}

bool HasSystemComponentMark(const char* name) {
  return std::strncmp(name, kSystemComponentMark, sizeof(kSystemComponentMark) - 1) == 0;
}

const char* WithoutSystemComponentMark(const char* name) {
  return HasSystemComponentMark(name) ? name + sizeof(kSystemComponentMark) - 1 : name;
}

void TrimRecordLineEnd(char* text) {
  size_t length = std::strlen(text);
  if (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[length - 1] = '\0';
}

void SplitRecordLine(const char* line, const RecordFieldArea (&fields)[kRecordFieldCount]) {
  LineCopy copy;
  CopyLine(copy, line);
  char* nameEnd = std::strstr(copy, kRecordFields[kRecordName].closingMarker);
  if (nameEnd != nullptr) *nameEnd = '\0';
  TakeField(copy, fields[0]);
  if (nameEnd == nullptr) return;

  for (int field = kRecordVersion; field < kRecordSize; ++field) {
    CopyLine(copy, line);
    char* opening = std::strstr(copy, kRecordFields[field - 1].closingMarker);
    char* closing = std::strstr(copy, kRecordFields[field].closingMarker);
    if (opening == nullptr || closing == nullptr) continue;
    *closing = '\0';
    TakeField(opening + kRecordMarkerLength, fields[field]);
  }

  // The last field runs to the end of the line; its line feed is trimmed, not searched for.
  CopyLine(copy, line);
  char* lastStart = std::strstr(copy, kRecordFields[kRecordSize - 1].closingMarker);
  if (lastStart != nullptr) TakeField(lastStart + kRecordMarkerLength, fields[kRecordSize]);
}
