// The drive list text, the one place that knows its form: CHwFetcher::GetDrives writes it
// and the device section reads it back.
//
//   A:RM C:9538M/4769M D:CD (TOTAL:9538M/4769M)
//
// One entry per listed drive in letter order, each ended by a blank: a removable drive
// ("RM") and a CD-ROM drive ("CD") by their kind, a fixed drive by its total and free
// megabytes. Then the summary: the megabytes of all fixed drives.
#pragma once

#include "common/capacities.h"

namespace drive_list {

enum Kind { kRemovable, kCdrom, kFixed };

typedef char EntryText[kDriveEntryCapacity + 1];
typedef char SizeText[kSizeTextCapacity + 1];

// Writes the entry of `drive` ("C:"); the sizes count only for a fixed drive.
void FormatEntry(EntryText& entry, const char* drive, Kind kind, const char* totalMb,
                 const char* freeMb);
void FormatSummary(EntryText& summary, const char* totalMb, const char* freeMb);

// The summary's sizes, each cut to its area; false when the text holds no complete summary.
bool ReadSummary(const char* list, SizeText& totalMb, SizeText& freeMb);

struct Entry {
  char letter;
  Kind kind;
  SizeText totalMb;  // empty unless fixed
  SizeText freeMb;
};

// Reads the entry at `*cursor` and moves the cursor past it. False at the summary, at the
// end of the text, and at an entry that can't be read: the list is read no further.
bool ReadEntry(const char** cursor, Entry* entry);

}  // namespace drive_list
