#include "hardware/drive_list.h"

#include <cstring>

#include "platform/win32.h"

namespace drive_list {

namespace {

const char kRemovableEntry[] = "%sRM ";
const char kCdromEntry[] = "%sCD ";
const char kFixedEntry[] = "%s%sM/%sM ";
const char kSummary[] = "(TOTAL:%sM/%sM)";

// What the reader looks for. An entry whose third character is a kind letter is taken for
// a kind entry of the usual length, whatever follows.
const char kRemovableLetter = 'R';
const char kCdromLetter = 'C';
const int kKindOffset = 2;       // after "C:"
const int kKindEntryLength = 5;  // "A:RM "
const char kSummaryStart = '(';
const char kSummaryMark[] = "TOTAL:";
const char kSizeSeparator[] = "M/";  // ends the total megabytes
const char kFixedEnd[] = "M ";       // ends a fixed entry's free megabytes
const char kSummaryEnd[] = "M)";

// Copies the text from `start` to `end`, cut to the area.
void CopySize(SizeText& area, const char* start, const char* end) {
  std::memset(area, 0, sizeof(area));
  size_t length = static_cast<size_t>(end - start);
  if (length > static_cast<size_t>(kSizeTextCapacity)) length = kSizeTextCapacity;
  std::memcpy(area, start, length);
}

// The two sizes from `start`: the total up to "M/", then the free megabytes up to `end`.
// Returns where `end` was found, or nullptr.
const char* ReadSizes(const char* start, const char* end, SizeText& totalMb, SizeText& freeMb) {
  const char* totalEnd = std::strstr(start, kSizeSeparator);
  if (totalEnd == nullptr) return nullptr;
  const char* free = totalEnd + sizeof(kSizeSeparator) - 1;
  const char* freeEnd = std::strstr(free, end);
  if (freeEnd == nullptr) return nullptr;
  CopySize(totalMb, start, totalEnd);
  CopySize(freeMb, free, freeEnd);
  return freeEnd;
}

}  // namespace

void FormatEntry(EntryText& entry, const char* drive, Kind kind, const char* totalMb,
                 const char* freeMb) {
  std::memset(entry, 0, sizeof(entry));
  if (kind == kRemovable)
    wsprintfA(entry, kRemovableEntry, drive);
  else if (kind == kCdrom)
    wsprintfA(entry, kCdromEntry, drive);
  else
    wsprintfA(entry, kFixedEntry, drive, totalMb, freeMb);
}

void FormatSummary(EntryText& summary, const char* totalMb, const char* freeMb) {
  std::memset(summary, 0, sizeof(summary));
  wsprintfA(summary, kSummary, totalMb, freeMb);
}

bool ReadSummary(const char* list, SizeText& totalMb, SizeText& freeMb) {
  const char* mark = std::strstr(list, kSummaryMark);
  if (mark == nullptr) return false;
  return ReadSizes(mark + sizeof(kSummaryMark) - 1, kSummaryEnd, totalMb, freeMb) != nullptr;
}

bool ReadEntry(const char** cursor, Entry* entry) {
  const char* current = *cursor;
  std::memset(entry, 0, sizeof(*entry));
  // Too short for a letter and its colon: nothing readable is left.
  if (current[0] == '\0' || current[0] == kSummaryStart || current[1] == '\0') return false;
  entry->letter = current[0];
  const char kind = current[kKindOffset];
  if (kind == kCdromLetter || kind == kRemovableLetter) {
    entry->kind = kind == kCdromLetter ? kCdrom : kRemovable;
    // Never past the end of a text that stops inside the entry.
    for (int i = 0; i < kKindEntryLength && *current != '\0'; ++i) ++current;
    *cursor = current;
    return true;
  }
  entry->kind = kFixed;
  const char* end = ReadSizes(current + kKindOffset, kFixedEnd, entry->totalMb, entry->freeMb);
  if (end == nullptr) return false;
  *cursor = end + sizeof(kFixedEnd) - 1;
  return true;
}

}  // namespace drive_list
